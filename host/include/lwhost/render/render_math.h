// Small vector arithmetic for the renderer, on the scene's Vec3 (positions, directions and
// linear RGB colours alike). The operators compute each component as the written expression
// reads, left to right, so that a + b * s is the same per component as a.x + b.x * s: images
// depend on the order of floating-point operations.
#pragma once

#include <algorithm>
#include <cmath>

#include "lwhost/scene/scene.h"

namespace lwhost {

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(const Vec3& a) {
    return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(const Vec3& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
// Component by component: a colour filtered by another, or light arriving on a colour.
inline Vec3 operator*(const Vec3& a, const Vec3& b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
inline Vec3& operator+=(Vec3& a, const Vec3& b) {
    return a = a + b;
}

namespace rmath {

inline Vec3 vec(const double v[3]) {
    return {v[0], v[1], v[2]};
}
inline Vec3 vec(const float v[3]) {
    return {v[0], v[1], v[2]};
}
inline void store(const Vec3& v, double out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}
inline double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3& a) {
    return std::sqrt(dot(a, a));
}
// The unit vector along `a`, or `fallback` when `a` has no usable length.
inline Vec3 unit(const Vec3& a, const Vec3& fallback = Vec3{0, 0, 0}) {
    const double len = length(a);
    if (!(len > 1e-300) || !std::isfinite(len)) return fallback;
    return a * (1.0 / len);
}
// a + (b - a) t
inline Vec3 mix(const Vec3& a, const Vec3& b, double t) {
    return a + (b - a) * t;
}
inline double clamp01(double v) {
    return v > 0 ? (v < 1 ? v : 1) : 0;
}
inline Vec3 clamp01(const Vec3& v) {
    return {clamp01(v.x), clamp01(v.y), clamp01(v.z)};
}
// The smaller and the larger of each component.
inline Vec3 lower(const Vec3& a, const Vec3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
inline Vec3 upper(const Vec3& a, const Vec3& b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}
inline double largest(const Vec3& a) {
    return std::max(a.x, std::max(a.y, a.z));
}

}  // namespace rmath

}  // namespace lwhost
