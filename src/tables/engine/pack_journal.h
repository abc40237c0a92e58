#pragma once
// The journal of a PACK: a small file beside the table ("NAME.DBF.$$$pack")
// that lists the files the PACK replaces (the table, its memo file, its open
// indexes) and, for each, a second name under which the old file stays
// until the PACK is complete. Replacing several files is not one step of the
// file system; with the journal a killed or failed PACK leaves either the
// old files, the new ones, or a journal that the next open of the table
// finds and resolves: not committed, every file gets its old contents back;
// committed, the old files go.
//
// Journal lines: "PACK", then "<file>\t<old contents>" per file, and
// "COMMIT" when every new file is complete. Only whole lines count. Files
// are named by their names alone: a journal only ever acts on the files
// beside it, so a folder copied or moved after a killed PACK is put in order
// by itself and the original folder is never touched. (A file of another
// folder, an index kept elsewhere, is restored by the PACK itself when it
// fails, but not from the journal after a kill.)
//
// The PACK holds a lock on its journal from its start to its end; an open
// of the table that finds the journal locked leaves it alone.

#include <string>
#include <vector>

namespace veldrim {

// The journal's name for a table file.
std::string PackJournalName(const std::string& table);

class PackJournal {
public:
    PackJournal() = default;
    PackJournal(const PackJournal&) = delete;
    PackJournal& operator=(const PackJournal&) = delete;
    // An open journal that neither committed nor rolled back rolls back.
    ~PackJournal();

    // Keeps the old contents of every file under a second name and writes
    // the journal. 0, or the errno value of the failure (nothing is kept).
    int Begin(const std::string& table, const std::vector<std::string>& files);
    // Every new file is complete: the journal says so, then the old contents
    // and the journal go. 0 or the errno value; a failure before the commit
    // line is on the disk leaves the journal open.
    int Commit();
    // Every file gets its old contents back; the journal goes.
    void Rollback();
    bool Active() const { return active_; }

private:
    struct Entry {
        std::string file;
        std::string old;
    };
    void Close();
    std::string journal_;
    std::vector<Entry> entries_;
    int fd_ = -1;
    bool active_ = false;
};

enum class PackJournalState {
    kNone,      // no journal, or it was resolved
    kRunning,   // a PACK is running (its journal is locked): nothing was touched
    kLeft,      // the table is in use elsewhere, or a file could not be
                // restored: the journal stays for a later open
    kNotBeside  // the journal names files that are not beside it: nothing
                // was touched
};

// Resolves the journal of a PACK that ended without finishing it (killed):
// committed, the old contents go; otherwise every file gets them back. The
// scratch files of that PACK are removed as well. `tableAlone`: the caller
// holds the table alone (no other open of it); without that nothing is
// changed.
PackJournalState ResolvePackJournal(const std::string& table, bool tableAlone);

// Removes the scratch files that a killed PACK, REINDEX or memo pack of
// `file` left beside it (unfinished new files, second names of old ones).
void RemovePackLeftovers(const std::string& file);

}  // namespace veldrim
