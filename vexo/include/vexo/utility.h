// Small value types and helpers used across the frame and the bundle:
// intrusive reference counting, a 3-vector, a module-wide singleton.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace vexo {

// Base of intrusively counted objects. The count starts at 0; the last Reference that lets go
// destroys the object through its virtual destructor.
class ReferenceCounted {
  public:
    ReferenceCounted() = default;
    // A copy is a new object: it starts uncounted.
    ReferenceCounted(const ReferenceCounted&) : m_refCount(0) {}
    ReferenceCounted& operator=(const ReferenceCounted&) { return *this; }
    virtual ~ReferenceCounted() = default;

    void retain() const { ++m_refCount; }
    void release() const {
        if (--m_refCount == 0) delete this;
    }
    uint32_t useCount() const { return m_refCount; }

  private:
    mutable uint32_t m_refCount = 0;
};

// Holds one ReferenceCounted object or nothing. Dereferencing an empty reference is not allowed.
// New objects are made with makeReference; taking a raw pointer has to be written out.
template <class T>
class Reference {
  public:
    Reference() = default;
    explicit Reference(T* p) : m_ptr(p) {
        if (m_ptr) m_ptr->retain();
    }
    Reference(const Reference& other) : Reference(other.m_ptr) {}
    Reference(Reference&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    // Upcasts only.
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    Reference(const Reference<U>& other)  // NOLINT(google-explicit-constructor)
        : Reference(static_cast<T*>(other.get())) {}
    ~Reference() { reset(); }

    Reference& operator=(Reference other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    void reset() {
        if (m_ptr) {
            T* p = m_ptr;
            m_ptr = nullptr;
            p->release();
        }
    }

    T* get() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    bool operator==(const Reference& o) const { return m_ptr == o.m_ptr; }
    bool operator!=(const Reference& o) const { return m_ptr != o.m_ptr; }

  private:
    T* m_ptr = nullptr;
};

// The one way to make an object held by References.
template <class T, class... Args>
Reference<T> makeReference(Args&&... args) {
    return Reference<T>(new T(std::forward<Args>(args)...));
}

template <class T>
struct Vector3 {
    T x = 0, y = 0, z = 0;

    constexpr Vector3() = default;
    constexpr Vector3(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    explicit Vector3(const T* v) : x(v[0]), y(v[1]), z(v[2]) {}

    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const T& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3 operator*(T s) const { return {x * s, y * s, z * s}; }
    Vector3 operator/(T s) const { return {x / s, y / s, z / s}; }
    Vector3& operator+=(const Vector3& o) { return *this = *this + o; }
    Vector3& operator-=(const Vector3& o) { return *this = *this - o; }
    Vector3& operator*=(T s) { return *this = *this * s; }
    bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3& o) const { return !(*this == o); }

    T dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector3 cross(const Vector3& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    T lengthSquared() const { return dot(*this); }
    T length() const { return std::sqrt(lengthSquared()); }
    Vector3 normalized() const {
        T len = length();
        return len > 0 ? *this / len : *this;
    }
    void copyTo(T* v) const {
        v[0] = x;
        v[1] = y;
        v[2] = z;
    }
};

template <class T>
Vector3<T> operator*(T s, const Vector3<T>& v) {
    return v * s;
}

using Vector3d = Vector3<double>;

template <class T>
constexpr T clamp(T v, T lo, T hi) {
    return v < lo ? lo : (hi < v ? hi : v);
}

}  // namespace vexo

namespace qrv {

// One module-wide object of T, created on first use and destroyed when the module unloads.
template <class T>
class Singleton {
  public:
    static T& Instance() {
        static T instance;
        return instance;
    }
    Singleton() = delete;
};

}  // namespace qrv
