#include <gtest/gtest.h>
#include <vexo/utility.h>

namespace {

struct Counted : vexo::ReferenceCounted {
    explicit Counted(int* d) : destroyed(d) {}
    ~Counted() override { ++*destroyed; }
    int* destroyed;
};
struct Derived : Counted {
    using Counted::Counted;
};

TEST(ReferenceTest, LastReferenceDestroysTheObjectOnceAndUpcastsShareTheCount) {
    int destroyed = 0;
    {
        vexo::Reference<Counted> a(new Counted(&destroyed));
        EXPECT_EQ(a->useCount(), 1u);
        vexo::Reference<Counted> b = a;
        vexo::Reference<Counted> c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(a->useCount(), 2u);
        a = c;  // self-assignment through an alias keeps the object alive
        EXPECT_EQ(a->useCount(), 2u);
        c.reset();
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);

    vexo::Reference<Derived> d = vexo::makeReference<Derived>(&destroyed);
    vexo::Reference<Counted> base = d;
    EXPECT_EQ(d->useCount(), 2u);
    Counted copy(*d);  // a copied object is a new object with its own count
    EXPECT_EQ(copy.useCount(), 0u);
    d.reset();
    base.reset();
    EXPECT_EQ(destroyed, 2);
}

TEST(Vector3Test, ArithmeticMatchesHandComputedValues) {
    vexo::Vector3d a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a + b, vexo::Vector3d(5, -3, 9));
    EXPECT_DOUBLE_EQ(a.dot(b), 4 - 10 + 18);
    EXPECT_EQ(a.cross(b), vexo::Vector3d(27, 6, -13));
    EXPECT_NEAR(vexo::Vector3d(3, 0, 4).normalized().z, 0.8, 1e-12);
    EXPECT_EQ(vexo::Vector3d().normalized(), vexo::Vector3d());  // zero stays zero, no NaN
    EXPECT_EQ(2.0 * a, vexo::Vector3d(2, 4, 6));
}

}  // namespace
