#pragma once
// The CAD output run: every drawing of the program is produced through one
// run. The begin step fixes the output kind (the CAD-Code) and opens the
// output; the drawing frame writes extents, tables, a BLOCKS section and one
// or more ENTITIES passes, in which the device-independent primitives
// (cad_primitives.h) are called; the end step closes the output.
//
// Each primitive goes to exactly one back end: the graphics window (screen
// check, code 3) or the exchange-file writer of the run. Every back end is a
// CadWriter; each writer owns its own output stream, so a block file can be
// written while the run's own file stays open.
//
// All state of a run lives in the one global record CadOutputState, which
// this module owns; ResetCadOutputState() restores its start-up values. One
// run at a time; runs are not nested.
//
//   CAD-Code  output                                   file
//      0      ask the user (argument of the begin step)
//      1      DXF exchange file                        save dialog, "dxf"
//      2      IGES exchange file                       "igs"
//      3      screen check: the graphics window        none (block files only)
//      4      DXF for the external plot program        "grafmit.dxf", user directory
//      5      drawing-record text                      "txt"
//      6      STL                                      "stl"
//      7      STEP                                     "stp"
//
// Calling order of one run:
//   CadBeginOutput(code)            stop when the cancel flag is set
//   CadSetLayer / CadSetLogoMode / CadSetColorMode   (optional)
//   CadBeginDrawing(limits, height) or CadBeginDrawingDefault
//   CadWriteTables(layerSet)
//   CadBeginBlocks; CadBeginBlock .. CadEndBlock ...; CadEndSection
//   repeat: CadBeginEntities; primitives; CadEndSection  until CadOutputComplete()
//   CadEndOutput

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/real.h"

namespace veldrim {

// ---- Output kinds -------------------------------------------------------------

enum CadCode : uint16_t {
    kCadAsk = 0,
    kCadDxf = 1,
    kCadIges = 2,
    kCadScreen = 3,
    kCadPlot = 4,
    kCadTxt = 5,
    kCadStl = 6,
    kCadStep = 7,
};

// ---- The writer interface -------------------------------------------------------
//
// One back end of a run. Coordinates arrive with the origin offset already
// added; angles are degrees. Attribute values (text height, width factor,
// angle, obliquing, layer name) are read from CadOutputState. Every hook has
// an empty default, so a writer overrides what its format needs.
class CadWriter {
public:
    virtual ~CadWriter() = default;

    // Creates the output file; false when it cannot be created. The writer
    // reports nothing itself: the caller shows the file-error text and sets
    // the cancel flag.
    virtual bool Create(const std::string& path) {
        (void)path;
        return true;
    }
    // Creates a scratch file (a block file) exclusively, never through a
    // link; false when the name exists already.
    virtual bool CreateScratch(const std::string& path) { return Create(path); }
    // Writes the closing record ("EOF") and closes the stream; false when any
    // write or the close failed (reported by the caller as well).
    virtual bool Finish() { return true; }

    // Frame of the run.
    virtual void WriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) {
        (void)xmin, (void)ymin, (void)xmax, (void)ymax;
    }
    virtual void WriteTables(int layerSet) { (void)layerSet; }
    virtual void BeginBlocks() {}
    virtual void BeginBlock(const std::string& name) { (void)name; }
    virtual void EndBlock() {}
    virtual void EndSection() {}  // ends BLOCKS and ENTITIES alike
    virtual void BeginEntities() {}

    // Attributes.
    virtual void SelectLayer(int layer) { (void)layer; }
    virtual void SetLineStyle(int style) { (void)style; }
    // Text style as passed to the screen (height, width as given by the caller).
    virtual void SetTextStyle(int style, Real angle, Real height, Real width) {
        (void)style, (void)angle, (void)height, (void)width;
    }
    virtual void Pause(int milliseconds) { (void)milliseconds; }

    // Entities.
    virtual void Line(Real x1, Real y1, Real x2, Real y2) = 0;
    virtual void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
        (void)z1, (void)z2;
        Line(x1, y1, x2, y2);
    }
    virtual void Circle(Real x, Real y, Real r) = 0;
    // Always counter-clockwise from startAngle to endAngle; sweep is the
    // included angle (>= 0; the primitives turn a clockwise arc round by
    // exchanging its ends). Exchange files write no extrusion direction.
    virtual void Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) = 0;
    // Text as stored (code page 850); the writer converts for its format.
    virtual void Text(const std::string& text, Real x, Real y) = 0;
    // Corners in DXF SOLID order (3 and 4 swapped against the outline).
    virtual void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) = 0;
    virtual void Insert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                        Real scaleY) {
        (void)name, (void)x, (void)y, (void)angle, (void)scaleX, (void)scaleY;
    }
    // Real polylines (DXF with the polyline output flag); bulge is the DXF
    // bulge tan(angle / 4).
    virtual void BeginPolyline(uint8_t flags) { (void)flags; }
    virtual void Vertex(Real x, Real y, Real bulge) { (void)x, (void)y, (void)bulge; }
    virtual void EndPolyline() {}

    // A writer that takes straight lines only (STL walls, STEP trimmed
    // lines) answers true: the primitives then send circles and arcs as
    // chords of the chord tolerance, through Line.
    virtual bool LinesOnly() const { return false; }
    // One band of a body of revolution about (x, y): radius r1 at the bottom
    // z and r2 at the top z of the extrusion range. Its outside is the right
    // side of the profile from (bottom, r1) to (top, r2) in the plane of
    // axial position and radius; reverse walks the profile the other way.
    // False when the format has no bands: the primitives draw two circles.
    virtual bool Ring(Real x, Real y, Real r1, Real r2, bool reverse) {
        (void)x, (void)y, (void)r1, (void)r2, (void)reverse;
        return false;
    }
    // Asked at the end of each ENTITIES pass: false while the format needs
    // the entities once more (STEP numbers its entities in a first pass).
    virtual bool PassComplete() { return true; }
};

// Makes a fresh writer of one kind.
using CadWriterFactory = std::unique_ptr<CadWriter> (*)();

// The writer factories by CAD-Code (index 0..7); entry 3 is the screen, an
// empty entry is a kind not available yet. Block files (screen, STL and
// STEP output) are written by the DXF entry (1). The defaults are set in one
// place, cad_writer_table.cpp; tests may replace entries (and the block
// inserter below) and call ResetCadWriterFactories() afterwards.
extern std::array<CadWriterFactory, 8> CadWriterFactories;
void ResetCadWriterFactories();

// The screen back end: every entity becomes a record of the graphics window.
std::unique_ptr<CadWriter> MakeScreenCadWriter();

// Inserts a block (the block module's CadInsertBlock); CadBeginEntities uses
// it for the corner logos. Set in cad_writer_table.cpp; empty: no logos.
using CadBlockInsertFunction = void (*)(const std::string& name, Real x, Real y, Real angle,
                                        Real scaleX, Real scaleY);
extern CadBlockInsertFunction CadBlockInserter;

// ---- State of the run ---------------------------------------------------------------

struct CadLimits {
    Real xmin = 0, xmax = 160, ymin = 0, ymax = 120;
    Real width = 160, height = 120;  // xmax - xmin, ymax - ymin
};

inline constexpr int kSheetFooterOption = 0;
// No plot program until the user configures one.
inline constexpr const char* kDefaultPlotCommandLine = "";

struct CadOutputRecord {
    // CadLayerTable: the six named layers 0..5.
    std::array<std::string, 6> layerNames{"0", "1", "2", "3", "4", "5"};
    std::array<int32_t, 6> layerColorIndex{1, 2, 2, 2, 3, 1};  // 16-colour palette
    // Pen table of the numbered layers 16..31 (layer n takes entry n - 15).
    std::array<int32_t, 16> penNumbers{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::array<int32_t, 16> penWidths{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t layerColorMode = 0;             // 0 named layers; other numbered; 2 layer 0 in colour 0
    std::string cadTextStyleName = "TXT8";  // "Textstil CAD"
    Real baseWidthFactor = 1.0L;            // "Textbreitenfaktor CAD"
    Real configuredObliquingAngle = 0;      // "Textwinkel"
    Real currentX = 0, currentY = 0;        // current point (drawing units, without origin)
    Real currentZ = 0;                      // 3D current point z
    Real previousBulge = 0;                 // bulge of the last polyline vertex (radians)
    std::string currentLayerName = "0";     // kept by the DXF and TXT writers
    uint8_t currentLayerNumber = 0;
    Real textAngle = 0;  // degrees
    Real textHeight = 5.0L;
    Real textWidthFactor = 1.0L;
    Real textObliquingAngle = 0;
    uint16_t cadCode = kCadScreen;  // CAD-Code of the run
    std::string outputFileName;
    uint8_t polylineOutputFlag = 1;  // polylines reach DXF as polylines
    int32_t vertexCounter = 1;
    // Insertion state of the DXF block reader.
    int32_t nestingLevel = 0;
    Real insertOffsetX = 0, insertOffsetY = 0, insertRotation = 0;
    Real insertScaleX = 1.0L, insertScaleY = 1.0L;
    uint8_t hatchOption = 1;
    Real originX = 0, originY = 0;  // origin offset added to every point
    // Plot program command lines.
    uint16_t plotCommandCount = 1;
    uint16_t plotCommandIndex = 1;  // 1..5
    std::array<std::string, 5> plotCommandLines{kDefaultPlotCommandLine, kDefaultPlotCommandLine,
                                                kDefaultPlotCommandLine, kDefaultPlotCommandLine,
                                                kDefaultPlotCommandLine};
    Real symbolScale = 1.0L;
    uint8_t layerMonochrom = 0;                                // "Layer Monochrom"
    uint16_t runArgument = 0;                                  // the code as the caller passed it
    std::array<int32_t, 6> layerWidthCodes{3, 1, 1, 1, 2, 3};  // "Line thickness Layer 0..5"
    CadLimits limits;                                          // drawing limits
    std::string releaseFieldText;                              // drawing sheet
    int32_t cadDecimals = 6;                                   // "Decimals DXF,TXT"
    Real baseScale = 1.0L;
    // Option bytes of the drawing sheet and title block; index
    // kSheetFooterOption is the drawing-footer option, stored inverted (0 = on).
    std::array<uint8_t, 12> sheetOptions{};
    uint8_t execFlag = 1;         // "Exec CAD App ?"
    uint8_t arcsAsLinesFlag = 1;  // "Polyline Arc -> Lines ?"
    Real chordTolerance = 0.1L;   // chord length of arcs as polygons
    Real extrusionZ1 = 0, extrusionZ2 = 1.0L;
    int32_t stlFileType = 0;  // 0 binary, 1 ASCII
    uint8_t stlOptionFlag = 0;
    uint8_t stlTextOption = 1;       // stroke-text walls: 1 outward, 0 inward
    int32_t savedLayer = 0;          // CadSaveLayer
    uint8_t openSuppressedFlag = 0;  // stops the exec step of the end
    std::array<int32_t, 2> sheetCounters{};
    Real revolvePrevX = 0, revolvePrevRadius = 0, revolvePrevBulge = 0;
    Real partStepLength = 0.1L;  // step length of the part builders
    uint8_t stlDirInvers = 0;    // "STL Dir invers"
    Real fitClearance = 0.1L;
    uint8_t inBlockFlag = 0;  // between CadBeginBlocks and CadEndSection
    uint32_t runNumber = 0;   // counts the begun runs
    uint8_t entityPass = 0;   // ENTITIES pass of the run: 1, then 2 for STEP
    uint8_t heightAsked = 0;  // the STL height was asked in this run
};

extern CadOutputRecord CadOutputState;
// The logo mode, kept beside the window state: 2 and 3 suppress the corner
// logos of CadBeginEntities. CadBeginOutput sets it to 0.
extern uint16_t CadLogoMode;
void ResetCadOutputState();

// ---- Run control ---------------------------------------------------------------------
//
// CAD batch mode (cadBatchFlag of foundation/program_state.h, the command line
// "/CADi:j"): the output file name is the current data file name with the
// format's extension, no dialog ever opens, and codes 0, 8 and 9 are refused.

// Starts a run; afterwards the caller tests the cancel flag.
void CadBeginOutput(uint16_t code);
// The question of code 0 (and the plot command line for code 4).
void CadChooseOutputCode();
void CadSetCode(uint16_t code);
void CadBeginDrawing(Real xmin, Real ymin, Real xmax, Real ymax, Real height);
void CadBeginDrawingDefault();
void CadWriteTables(int layerSet);
void CadBeginBlocks();
void CadEndSection();
void CadBeginEntities();
// False while the run needs another ENTITIES pass (the STEP counting pass).
bool CadOutputComplete();
// True in the first ENTITIES pass of a run (and outside one): a drawing
// routine that asks the user inside the entity section asks only then, so a
// STEP run asks once and draws the same in both passes.
bool CadFirstEntityPass();
void CadEndOutput();
void CadSetLogoMode(uint16_t n);

// True while a run is begun and not ended.
bool CadRunActive();

// The back end of the entities now: the block file's writer inside a block
// for screen output, else the run's writer; nullptr draws nothing.
CadWriter* CadTarget();
// The writer of the run itself (nullptr when idle or not available).
CadWriter* CadRunWriter();

// Block files of screen and STL output ("$" + name + ".dx$" in the user
// directory), created exclusively and removed again by the end of the run
// that made them. The block module opens one with CadOpenBlockFile and closes it
// with CadCloseBlockFile; while it is open, CadTarget() returns it inside a
// block.
bool CadOpenBlockFile(const std::string& name);
bool CadCloseBlockFile();
CadWriter* CadBlockFileWriter();
std::string CadBlockFilePath(const std::string& name);
// The folder for block files and "grafmit.dxf": the program state's user
// directory, or the user's private cache folder when that is empty (never a
// shared temporary folder); empty when neither can be had.
std::string CadUserDirectory();

}  // namespace veldrim
