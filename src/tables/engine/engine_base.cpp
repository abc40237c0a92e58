// Runtime base of the table engine: error state, error texts, reporting.
#include "tables/engine/engine_base.h"

#include <utility>

#include "foundation/codepage.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/proc_tables.h"
#include "tables/engine/work_areas.h"
#include "tables/engine/dbf_file.h"

namespace veldrim {

EngineErrorState ErrorState;

namespace {

struct CodeText {
    uint16_t code;
    std::string_view text;
};

// The numbered texts. Twins share one text (4/18, 14/20, 150..162 with the
// DOS codes).
constexpr CodeText kTexts[] = {
    {1, "Unzulässiger DOS-Funktionscode"_cp850},
    {2, "Datei nicht gefunden"},
    {3, "Pfad nicht gefunden"},
    {4, "Zu viele Dateien geöffnet"_cp850},
    {5, "Dateizugriff verweigert"},
    {6, "Unzulässiges Datei-Handle"_cp850},
    {8, "Zu wenig Speicher"},
    {9, "Unzulässige Speicherblock-Adresse"_cp850},
    {10, "Ungültige MS-DOS-Umgebung"_cp850},
    {11, "Unzulässiges Aufrufformat"_cp850},
    {12, "Unzulässiger Dateizugriff "_cp850},
    {13, "Datenfehler"},
    {14, "Ungültiges Peripheriegerät"_cp850},
    {15, "Unzulässige Laufwerknummer."_cp850},
    {16, "Entfernen des aktiven Verzeichnisses unzulässig"_cp850},
    {17, "Umbenennung auf ein anderes Laufwerk unzulässig"_cp850},
    {18, "Zu viele Dateien geöffnet"_cp850},
    {19, "Diskette schreibgeschützt"_cp850},
    {20, "Ungültiges Peripheriegerät"_cp850},
    {21, "Laufwerk nicht bereit"},
    {22, "Unbekannter Befehl"},
    {23, "Prüfsummenfehler"_cp850},
    {24, "Ungültiger Diskparameterblock"_cp850},
    {25, "Plattenpositionierungsfehler"},
    {26, "Unbekanntes Medium"},
    {27, "Sektor nicht gefunden."},
    {28, "Kein Papier im Drucker"},
    {29, "Schreibfehler bei Zugriff auf Peripheriegerät"_cp850},
    {30, "Lesefehler bei Zugriff auf Peripheriegerät"_cp850},
    {31, "Allgemeiner Fehler"},
    {32, "Fehler beim gemeinsamen Dateizugriff"},
    {33, "Fehler bei Dateisperre"},
    {34, "Unzulässiger Diskettenwechsel"_cp850},
    {35, "Zugriff zum Dateikontrollblock unmöglich"_cp850},
    {36, "Überlauf des gemeinsamen Dateipuffers"_cp850},
    {50, "Netzwerkanfrage nicht unterstützt"_cp850},
    {51, "Gerät mit Fernzugriff nicht bereit"_cp850},
    {52, "Doppelte Namensgebung auf Netzwerk"},
    {53, "Netzwerkname nicht gefunden"},
    {54, "Netzwerk überlastet"_cp850},
    {55, "Gerät nicht mehr auf dem Netzwerk vorhanden"_cp850},
    {56, "NetBios Befehlsgrenze überschritten"_cp850},
    {57, "Gerätefehler im Netzwerk-Adapter"_cp850},
    {58, "Falsche Antwort vom Netzwerk"},
    {59, "Unerwarteter Netzwerkfehler"},
    {60, "Konflikt beim Adapter mit Fernzugriff"},
    {100, "Disketten-/Festplatten-Lesefehler"},
    {101, "Disketten-/Festplatten-Schreibfehler"},
    {102, "Datei nicht zugewiesen (assign)"},
    {103, "Datei nicht geöffnet"_cp850},
    {104, "Datei zur Eingabe nicht geöffnet"_cp850},
    {105, "Datei zur Ausgabe nicht geöffnet"_cp850},
    {106, "Unzulässiges Zahlenformat"_cp850},
    {150, "Diskette schreibgeschützt"_cp850},
    {151, "Ungültiges Peripheriegerät"_cp850},
    {152, "Laufwerk nicht bereit"},
    {153, "Unbekannter Befehl"},
    {154, "Prüfsummenfehler"_cp850},
    {155, "Ungültiger Diskparameterblock"_cp850},
    {156, "Plattenpositionierungsfehler"},
    {157, "Unbekanntes Medium"},
    {158, "Sektor nicht gefunden."},
    {159, "Kein Papier im Drucker"},
    {160, "Schreibfehler bei Zugriff auf Peripheriegerät"_cp850},
    {161, "Lesefehler bei Zugriff auf Peripheriegerät"_cp850},
    {162, "Fehler beim gemeinsamen Dateizugriff"},
    {200, "Division durch Null"},
    {201, "Bereichsprüffehler"_cp850},
    {202, "Stapelüberlauf"_cp850},
    {203, "Heapüberlauf"_cp850},
    {204, "Unzulässige Zeigeroperation"_cp850},
    {205, "Fließkommaüberlauf"_cp850},
    {206, "Fließkommaunterlauf"_cp850},
    {207, "Fließkommafehler"_cp850},
    {208, "Overlay-Manager nicht installiert"},
    {209, "Overlay-Lesefehler"},
    {210, "Keine dBASE-Datei"},
    {211, "Unzulässige Feldangabe"_cp850},
    {212, "Anfrage außerhalb Bereich"_cp850},
    {213, "Unerwartetes Dateiende"},
    {214, "Datenbank wird bereits benutzt"},
    {215, "Keine Datenbank (bzw. kein Arbeitsbereich) geöffnet."_cp850},
    {216, "Allgemeine Schutzverletzung (GPF)"},
    {217, "Zu wenig Platz im Arbeitsspeicher"},
    {218, "Unzulässige Zeigervariable"_cp850},
    {219, "Datei-Handle nicht duplizierbar"},
    {220, "Unzulässiger Parameter"_cp850},
    {221, "Index-Datei nicht geöffnet"_cp850},
    {222, "Beschädigte Index-Datei"_cp850},
    {223, "Falsche Index-Version"},
    {224, "Zyklische Relation"},
    {225, "Exklusiver Zugriff erforderlich"},
    {226, "BROWSE nicht aktiv"},
    {227, "Speichermediumplatz unzureichend "},
    {228, "Anzahl Push/Pops nicht ausgeglichen "},
    {229, "dBASE IV Memo-Dateien nicht unterstützt"_cp850},
    {230, "Keine dBASE Variablen geladen"},
    {231, "Bildschirmbibliothek nicht gefunden"},
    {239, "Fehlender Doppelpunkt in der Zeitangabe"},
    {240, "Nicht-numerisches Zeichen in der Zeitangabe"},
    {241, "Ungültige Zeitangabe"_cp850},
    {242, "Negative Zeitangabe"},
    {243, "Negatives TimeDiff-Ergebnis"},
    {254, "Interner DURAZ-Fehler"},
    {266, "Unzulässige Größe des Datenpuffers"_cp850},
    {1003, "Unzulässige Memo-Adresse"_cp850},
    {1004, "Speichermedium voll          "},
    {1005, "Memo-Schreibfehler"},
    {1007, "Memo ist bereits geöffnet"_cp850},
    {1012, "Unzureichender Speichermediumplatz zum Packen der Memo-Datei"},
    {1017, "Memo-Datei nicht sperrbar"},
    {1018, "Memo-Datei nicht entsperrbar"},
    {1019,
     "Unzulässige Memo-Operation: Datei nicht geöffnet oder kein Memo-Feld in der Datei"_cp850},
    {1100, "Nicht anwendbar bei eingebundenen Listen"},
    {1101, "Virtuelle Datei-Verwaltungs-Unit nicht eingebunden"},
    {1102, "Fehler in der Verwaltung der virtuellen Datei"},
    {1103, "Unzulässige Ausführung "_cp850},
    {1200, "Datensatz nicht gesperrt"},
    {1201, "Datei nicht gesperrt"},
    {1202,
     "Semaphore-Dateifehler. Abhilfe: Am Netzwerk anmelden oder SHARE.EXE vor dem Start von "
     "Windows laden"},
    {1300, "File format not supported"},
};

}  // namespace

std::string DurazErrorText(uint16_t code) {
    if (code == 0) return {};
    for (const auto& t : kTexts)
        if (t.code == code) return std::string(t.text);
    if (code >= 1203 && code <= 1299) return "Netzwerkfehler";
    return "Unbekannter Fehler";
}

std::string ErrorText(uint16_t code) {
    if (code == 0) return {};
    return "Fehler Nr. " + std::to_string(code) + " (" + DurazErrorText(code) + ")";
}

void SetError(int code, const std::string& context) {
    ErrorState.lastErrorCode = static_cast<uint16_t>(code & 0xFFFF);
    ErrorState.pendingErrorCode = ErrorState.lastErrorCode;
    ErrorState.contextText = context;
    if (ErrorState.reportAtOnce) ReportError();
}

std::string TakeErrorContext() {
    std::string c = std::move(ErrorState.contextText);
    ErrorState.contextText.clear();
    ErrorState.pendingErrorCode = 0;
    return c;
}

std::string TakeErrorMessage() {
    if (ErrorState.pendingErrorCode == 0) return {};
    std::string m = ErrorText(ErrorState.pendingErrorCode) + "\r\n" + ErrorState.contextText;
    ErrorState.pendingErrorCode = 0;
    ErrorState.contextText.clear();
    return m;
}

void ReportError() {
    if (ErrorState.fatalReportDone) return;
    ErrorState.pendingErrorCode = ErrorState.lastErrorCode;
    if (ErrorState.lastErrorCode == 0) return;
    std::string msg = ErrorText(ErrorState.lastErrorCode) + "\r\n" + TakeErrorContext();
    if (ErrorState.raiseOnError) RaiseDurazError(msg);
    // Message-box mode: the error is shown and stays recorded; the engine
    // does not end the program (the user's unsaved data would be lost).
    if (msg.size() > 255) msg.resize(255);
    EngineMessageBox(msg, "Programm angehalten.", 16);
}

bool SetReportErrors(bool on) { return std::exchange(ErrorState.reportAtOnce, on); }

bool SetRaiseOnError(bool on) { return std::exchange(ErrorState.raiseOnError, on); }

void RaiseDurazError(const std::string& msg) { throw EDurazError(msg); }

int EngineMessageBox(const std::string& text, const std::string& caption, uint16_t flags) {
    const int buttons = flags & 0x0F;
    const int icon = flags & 0xF0;
    const MessageKind kind = icon == 0x10   ? MessageKind::Error
                             : icon == 0x20 ? MessageKind::Confirmation
                             : icon == 0x30 ? MessageKind::Warning
                                            : MessageKind::Information;
    if (buttons == 1) {  // OK / Cancel
        Answer a = Ui().Ask(caption, text, AskButtons::OkCancel, kind);
        return a == Answer::Ok ? 1 : 2;
    }
    Ui().ShowMessage(caption, text, kind);
    return 1;
}

void ShowDurazError(const EDurazError& e) { Ui().ShowMessage("", e.what(), MessageKind::Error); }

std::string AnsiToOemStr(const std::string& s) { return Win1252ToCp850(s); }
std::string OemToAnsiStr(const std::string& s) { return Cp850ToWin1252(s); }

namespace {
struct ConvTables {
    uint8_t toOem[256];
    uint8_t toAnsi[256];
    ConvTables() {
        for (int b = 0; b < 256; ++b) {
            std::string one(1, static_cast<char>(b));
            toOem[b] = static_cast<uint8_t>(Win1252ToCp850(one)[0]);
            toAnsi[b] = static_cast<uint8_t>(Cp850ToWin1252(one)[0]);
        }
    }
};
const ConvTables& Conv() {
    static const ConvTables t;
    return t;
}
}  // namespace

void AnsiToOemBuff(uint8_t* data, std::size_t count) {
    const auto& t = Conv();
    for (std::size_t i = 0; i < count; ++i) data[i] = t.toOem[data[i]];
}

void OemToAnsiBuff(uint8_t* data, std::size_t count) {
    const auto& t = Conv();
    for (std::size_t i = 0; i < count; ++i) data[i] = t.toAnsi[data[i]];
}

void ResetEngineBase() {
    ErrorState = EngineErrorState{};
    ClearIndexAndParserTables();
    SetLanguageDefaults();
    CurrentArea = 1;
    ResetDbfFile();
}

}  // namespace veldrim
