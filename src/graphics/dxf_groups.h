#pragma once
// DXF group codes and the entity kinds this program writes and reads back.
//
// A DXF file is a sequence of pairs: a group code, then a value. What a code
// means depends on the entity (40 is a circle's radius and a text's height),
// so the names below say the meaning where it is one, and the entity table
// says, per entity kind, which groups follow its name and layer, in the order
// the writer writes them. The writer (dxf_writer.cpp) walks that table to
// write an entity, and the block reader (dxf_block_reader.cpp) walks the same
// table to read one back.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace veldrim::dxf {

// ---- Group codes --------------------------------------------------------------

inline constexpr int kEntityType = 0;    // "SECTION", "LINE", "EOF", ...
inline constexpr int kText = 1;          // the text of a TEXT entity
inline constexpr int kName = 2;          // section, table entry, block or inserted block
inline constexpr int kDescription = 3;   // line type description; a style's font file; $DWGCODEPAGE
inline constexpr int kBigFont = 4;       // a style's big-font file
inline constexpr int kLineTypeName = 6;  // a layer's line type
inline constexpr int kTextStyle = 7;     // a text's style name
inline constexpr int kLayer = 8;         // the layer of an entity or block
inline constexpr int kVariable = 9;      // a header variable's name
// Points: x at 10 + i, y at 20 + i, z at 30 + i for the entity's point i (0..3).
inline constexpr int kX = 10;
inline constexpr int kY = 20;
inline constexpr int kZ = 30;
inline constexpr int kElevation = 38;
inline constexpr int kThickness = 39;
inline constexpr int kSize = 40;         // radius, text height, pattern length, header value
inline constexpr int kWidthFactor = 41;  // of a text or style; a polyline's end width
inline constexpr int kScaleX = 41;       // of an insertion
inline constexpr int kScaleY = 42;       // of an insertion
inline constexpr int kBulge = 42;        // of a polyline vertex
inline constexpr int kLastHeight = 42;   // of a style
inline constexpr int kConstantWidth = 43;
inline constexpr int kDashLength = 49;
inline constexpr int kAngle = 50;     // start angle, rotation
inline constexpr int kEndAngle = 51;  // end angle; a text's obliquing angle
inline constexpr int kColour = 62;
inline constexpr int kEntitiesFollow = 66;
inline constexpr int kFlags = 70;
inline constexpr int kTextGeneration = 71;
inline constexpr int kAlignment = 72;
inline constexpr int kDashCount = 73;
inline constexpr int kVertexCount = 90;
inline constexpr int kSubclass = 100;
inline constexpr int kExtrusionX = 210;
inline constexpr int kExtrusionY = 220;
inline constexpr int kExtrusionZ = 230;

// ---- Entity kinds ---------------------------------------------------------------

// How a group's value is written and read: a coordinate, radius or height
// (number format N, the run's decimals), a fixed-precision number (angles,
// scales, bulges, width factors), a whole number, or a text.
enum class ValueForm : std::uint8_t { Number, Fixed, Integer, Text };

struct Group {
    int code;
    ValueForm form;
    // Written only when its value is not zero (a vertex's bulge, a
    // polyline's flags, an arc's extrusion).
    bool omitWhenZero = false;
    // The block reader takes the value; other groups are skipped unread, so
    // a damaged value there does not stop the reading.
    bool read = true;
};

enum class EntityKind : std::uint8_t {
    Line,
    Line3D,
    Circle,
    Arc,
    Text,
    Solid,
    Insert,
    Polyline,
    Vertex,
    Seqend
};

struct EntitySpec {
    EntityKind kind;
    std::string_view name;
    std::span<const Group> groups;  // after the type and the layer, in written order
};

namespace detail {

using F = ValueForm;

// A group the reader skips unread.
constexpr Group Unread(int code, ValueForm form) { return {code, form, false, false}; }
// A group written only when not zero.
constexpr Group UnlessZero(int code, ValueForm form) { return {code, form, true, true}; }

inline constexpr Group kLineGroups[] = {
    {kX, F::Number}, {kY, F::Number}, {kX + 1, F::Number}, {kY + 1, F::Number}};
inline constexpr Group kLine3DGroups[] = {{kX, F::Number},     {kY, F::Number},
                                          {kZ, F::Number},     {kX + 1, F::Number},
                                          {kY + 1, F::Number}, {kZ + 1, F::Number}};
inline constexpr Group kCircleGroups[] = {{kX, F::Number}, {kY, F::Number}, {kSize, F::Number}};
// A lone extrusion z is the arc's normal: the writer never writes one (a
// clockwise arc is written counter-clockwise with its ends exchanged); the
// reader honours it.
inline constexpr Group kArcGroups[] = {{kX, F::Number},       {kY, F::Number},
                                       {kSize, F::Number},    {kAngle, F::Fixed},
                                       {kEndAngle, F::Fixed}, UnlessZero(kExtrusionZ, F::Number)};
inline constexpr Group kTextGroups[] = {{kX, F::Number},
                                        {kY, F::Number},
                                        {kSize, F::Number},
                                        {kText, F::Text},
                                        Unread(kTextStyle, F::Text),
                                        {kWidthFactor, F::Fixed},
                                        {kAngle, F::Fixed},
                                        Unread(kEndAngle, F::Fixed)};
inline constexpr Group kSolidGroups[] = {
    {kX, F::Number},     {kY, F::Number},     {kX + 1, F::Number}, {kY + 1, F::Number},
    {kX + 2, F::Number}, {kY + 2, F::Number}, {kX + 3, F::Number}, {kY + 3, F::Number}};
inline constexpr Group kInsertGroups[] = {{kName, F::Text},    {kX, F::Number},
                                          {kY, F::Number},     {kScaleX, F::Fixed},
                                          {kScaleY, F::Fixed}, {kAngle, F::Fixed}};
inline constexpr Group kPolylineGroups[] = {Unread(kEntitiesFollow, F::Integer),
                                            UnlessZero(kFlags, F::Integer)};
inline constexpr Group kVertexGroups[] = {
    {kX, F::Number}, {kY, F::Number}, UnlessZero(kBulge, F::Fixed)};

}  // namespace detail

inline constexpr std::array<EntitySpec, 10> kEntities{{
    {EntityKind::Line, "LINE", detail::kLineGroups},
    {EntityKind::Line3D, "LINE", detail::kLine3DGroups},
    {EntityKind::Circle, "CIRCLE", detail::kCircleGroups},
    {EntityKind::Arc, "ARC", detail::kArcGroups},
    {EntityKind::Text, "TEXT", detail::kTextGroups},
    {EntityKind::Solid, "SOLID", detail::kSolidGroups},
    {EntityKind::Insert, "INSERT", detail::kInsertGroups},
    {EntityKind::Polyline, "POLYLINE", detail::kPolylineGroups},
    {EntityKind::Vertex, "VERTEX", detail::kVertexGroups},
    {EntityKind::Seqend, "SEQEND", {}},
}};

// The entry of a kind.
constexpr const EntitySpec& Entity(EntityKind kind) {
    for (const EntitySpec& e : kEntities)
        if (e.kind == kind) return e;
    return kEntities[0];
}

// The entry a block reader takes for an entity name (the plain LINE for
// "LINE": the reader draws in the plane); nullptr for a name not in the table.
constexpr const EntitySpec* EntityNamed(std::string_view name) {
    for (const EntitySpec& e : kEntities)
        if (e.name == name) return &e;
    return nullptr;
}

// The position of a group code in an entity's groups, or -1.
constexpr int GroupIndex(const EntitySpec& e, int code) {
    for (std::size_t i = 0; i < e.groups.size(); ++i)
        if (e.groups[i].code == code) return static_cast<int>(i);
    return -1;
}

// The longest group list of the table.
inline constexpr std::size_t kMaxGroups = 8;
static_assert([] {
    for (const EntitySpec& e : kEntities)
        if (e.groups.size() > kMaxGroups) return false;
    return true;
}());

}  // namespace veldrim::dxf
