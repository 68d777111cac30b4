#pragma once

namespace dg {

// Length unit codes and their conversion to metres.
//
//   double metres = dg::LengthUnit::ToMeters(dg::LengthUnit::CENTIMETER, 10.0, 1);   // 0.1
//   double area = dg::LengthUnit::ToMeters(dg::LengthUnit::MILLIMETER, 1.0, 2);       // 1e-6
class LengthUnit {
  public:
    enum Code { METER = 0, CENTIMETER = 1, MILLIMETER = 2, INCH = 3 };

    // `value` units raised to `power`, in metres raised to `power`. An unknown code counts as metres.
    static double ToMeters(Code code, double value, int power);
    // Metres per one unit.
    static double MetersPerUnit(Code code);
};

}  // namespace dg
