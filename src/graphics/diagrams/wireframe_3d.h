#pragma once
// The 3D wireframe view: 3D points either go unprojected to the 3D entities
// of the run's exchange file, or are projected into the plane and drawn
// through the diagram plotter on screen or in a 2D file.
//
// The projection is parallel (axonometric): each world axis k has one screen
// direction (ex, ey) = (cos a_k, sin a_k) from its view angle a_k; an angle of
// -360 degrees hides the axis (0, 0).
//
//   Project3DX(x, y, z) = x ex(x axis) + y ex(y axis) + z ex(z axis)
//   Project3DY(x, y, z) = x ey(x axis) + y ey(y axis) + z ey(z axis)

#include <array>
#include <cstdint>
#include <string>

#include "foundation/drawing_form_texts.h"
#include "foundation/real.h"

namespace veldrim {

struct View3DRecord {
    // ex, ey of the x axis, then of the y axis, then of the z axis; the
    // start values follow the start angles below.
    std::array<Real, 6> projectionMatrix{};
    // Screen directions (radians) of the x, y and z axis: -15, 90, 210 degrees.
    std::array<Real, 3> viewAngles{};
    std::array<Real, 3> current3DPoint{};
    std::array<std::array<Real, 3>, 4> last3DMoves{};  // newest first
    uint8_t fileOutput3D = 1;             // 3D entities into DXF, IGES, TXT and STEP files
    uint8_t edit3DView = 1;               // "Edit 3D x,y,z ?": the view dialog before the axes
    uint8_t withoutCoordinateSystem = 1;  // "Draw w/o coordinate system ?"
};

extern View3DRecord View3DState;
void ResetView3D();

// The start angles in degrees.
inline constexpr std::array<Real, 3> kDefaultViewAnglesDeg{-15, 90, 210};

// Sets the projection from the three angles (radians).
void SetProjectionFromAngles(const std::array<Real, 3>& angles);
Real Project3DX(Real x, Real y, Real z);
Real Project3DY(Real x, Real y, Real z);

// 3D primitives: unprojected into DXF, IGES, drawing-record and STEP files
// while the 3D file output switch is set, projected everywhere else.
void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
void MoveTo3D(Real x, Real y, Real z);
void LineTo3D(Real x, Real y, Real z);
// Always projected.
void LineProjected(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
void TextProjected(const std::string& text, Real x, Real y, Real z);
// A circle of n segments (72 for 0) about an axis parallel to x.
void Circle3D(int n, Real x, Real y, Real z, Real r);
// A cylinder or cone frustum about the axis through (y, z) parallel to x,
// from radius r1 at xa to r2 at xb: both circles and n generators.
void Cylinder3D(int n, Real xa, Real xb, Real y, Real z, Real r1, Real r2);
// CadSetTextStyle scaled by max(diagram width / 160, diagram height / 110).
void SetTextStyle3D(int style, Real height, Real width, Real angle);

// Sets the view (the dialog first when "Edit 3D x,y,z ?" is set), fits the
// diagram to the projected box of the extents and the origin, and draws the
// axes unless the coordinate system is switched off. angles in radians (all
// 0: keep the view); extents as minimum and maximum per axis.
void DrawAxes3D(const std::string& title, const std::array<Real, 3>& angles,
                const std::array<std::array<Real, 2>, 3>& extents);

// The view dialog: the angles in degrees and the coordinate-system box; OK
// stores them, cancel sets the cancel flag.
void View3DDialog();

}  // namespace veldrim
