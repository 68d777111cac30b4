#pragma once

namespace dg {

// A rotation quaternion. Storage order is q0, q1, q2, q3, read as x, y, z, w (w the scalar part).
// Plain value; nothing normalises it behind the caller's back.
//
//   dg::Quaternion<float> q(0, 0, 0.7071068f, 0.7071068f);   // 90 degrees about Z
//   float w = q.w();                                          // same as q.q3
template <class T>
struct Quaternion {
    T q0 = 0, q1 = 0, q2 = 0, q3 = 1;

    constexpr Quaternion() = default;
    constexpr Quaternion(T x, T y, T z, T w) : q0(x), q1(y), q2(z), q3(w) {}

    T x() const { return q0; }
    T y() const { return q1; }
    T z() const { return q2; }
    T w() const { return q3; }
    T& operator[](int i) { return (&q0)[i]; }
    const T& operator[](int i) const { return (&q0)[i]; }

    void Set(T x, T y, T z, T w) {
        q0 = x;
        q1 = y;
        q2 = z;
        q3 = w;
    }
    bool operator==(const Quaternion& o) const {
        return q0 == o.q0 && q1 == o.q1 && q2 == o.q2 && q3 == o.q3;
    }
    bool operator!=(const Quaternion& o) const { return !(*this == o); }
};

}  // namespace dg
