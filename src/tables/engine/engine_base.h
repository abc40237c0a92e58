#pragma once
// Runtime base of the dBase table engine: the one error state through which
// every engine routine reports failure, the numbered error texts, the three
// ways an error reaches the user, and the OEM/ANSI text conversion.
//
// An error is recorded by SetError (code and context text). With the
// report-at-once switch on it is reported at once: with the raise switch on
// (the default) as an EDurazError exception, which the UI boundary catches
// and shows; with the raise switch off in a message box through Ui(). The
// engine never ends the process. With report-at-once off the error is only
// recorded and the caller collects it with TakeErrorMessage.
//
// Texts of the engine are code page 850 bytes, like every text that crosses
// the UI port.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace veldrim {

// The engine's exception; carries only its message text.
// `EDurazError`: E exception, Duraz the design's name of the table engine.
class EDurazError : public std::runtime_error {
public:
    explicit EDurazError(const std::string& msg) : std::runtime_error(msg) {}
};

// The engine's error state (one per process).
struct EngineErrorState {
    uint16_t lastErrorCode = 0;     // last code set; file routines also store I/O results here
    uint16_t pendingErrorCode = 0;  // the code not yet reported or collected
    std::string contextText;        // where the error happened
    bool reportAtOnce = true;       // SetError reports at once
    bool raiseOnError = true;       // report by EDurazError (off: message box)
    bool fatalReportDone = false;   // set by the optional halting mode only
};
extern EngineErrorState ErrorState;

// The largest block any engine allocation may request.
inline constexpr int32_t MaxAvail() { return 2147483647; }

// The single error entry of the engine.
void SetError(int code, const std::string& context);
// Reports the pending error (exception or message box).
void ReportError();
// "Fehler Nr. <code> (<text>)"; empty for code 0.
std::string ErrorText(uint16_t code);
// The table text of a code ("Unbekannter Fehler" when not listed).
std::string DurazErrorText(uint16_t code);
// ErrorText(pending) + CR LF + context; clears both. Empty when nothing pending.
std::string TakeErrorMessage();
// The context text; clears it and the pending code.
std::string TakeErrorContext();
// Set a switch, return its previous value.
bool SetReportErrors(bool on);
bool SetRaiseOnError(bool on);
[[noreturn]] void RaiseDurazError(const std::string& msg);
// A message box through the UI port; returns 1 (OK) or 2 (Cancel).
int EngineMessageBox(const std::string& text, const std::string& caption, uint16_t flags);
// Shows an engine exception at the UI boundary.
void ShowDurazError(const EDurazError& e);

// Convenience: the engine's last error code.
inline uint16_t LastError() { return ErrorState.lastErrorCode; }

// Whole-text conversion between the ANSI (Windows-1252) and OEM (code page
// 850) character sets, byte for byte.
std::string AnsiToOemStr(const std::string& s);
std::string OemToAnsiStr(const std::string& s);
void AnsiToOemBuff(uint8_t* data, std::size_t count);
void OemToAnsiBuff(uint8_t* data, std::size_t count);

// Keeps the report-at-once switch off for a scope and restores it (for
// callers that collect errors themselves).
class QuietEngineErrors {
public:
    QuietEngineErrors() : old_(SetReportErrors(false)) {}
    ~QuietEngineErrors() { SetReportErrors(old_); }
    QuietEngineErrors(const QuietEngineErrors&) = delete;
    QuietEngineErrors& operator=(const QuietEngineErrors&) = delete;

private:
    bool old_;
};

// Engine start: clears the procedure tables, language defaults, area 1,
// pivot year, default file mode. Also the reset for tests.
void ResetEngineBase();

}  // namespace veldrim

namespace veldrim {
// Start (and reset for tests) of the whole record layer: error state,
// language defaults, procedure tables, work areas, locking, bulk-verb and
// navigation settings. Closes every open area first.
void ResetTableEngine();
}  // namespace veldrim
