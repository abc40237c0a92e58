// The files the engine holds open, found by identity.
#include "tables/engine/open_files.h"

#include <optional>

#include "foundation/files.h"
#include "tables/engine/proc_tables.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

namespace {

// Index numbers an area can hold open.
constexpr int kIndexesPerArea = 16;

bool DescriptorIs(int fd, const FileIdentity& file) {
    return fd >= 0 && IdentityOfOpenFile(fd) == file;
}

}  // namespace

std::vector<EngineOpenFile> EngineFilesAt(const std::string& path) {
    std::vector<EngineOpenFile> found;
    // The file a link leads to is the one a write through it would reach.
    const std::optional<FileIdentity> target = IdentityOf(path);
    if (!target) return found;
    const FileIdentity& file = *target;
    for (int i = 1; i <= kMaxWorkAreas; ++i) {
        const TWorkArea* a = WorkAreas[i];
        if (!a || a->isVirtual) continue;
        const auto area = static_cast<uint8_t>(i);
        if (DescriptorIs(a->fd, file)) found.push_back({area, EngineFileKind::Table});
        if (a->hasMemo && MemoProcTable.memoFileDescriptor &&
            DescriptorIs(MemoProcTable.memoFileDescriptor(area), file))
            found.push_back({area, EngineFileKind::Memo});
        if (!IndexLinked) continue;
        // The index files as opened, not as named: a name may since lead
        // elsewhere, and another name may lead to them.
        if (IndexProcTable.indexFileDescriptor)
            for (int n = 1; n <= kIndexesPerArea; ++n)
                if (DescriptorIs(IndexProcTable.indexFileDescriptor(area, n), file)) {
                    found.push_back({area, EngineFileKind::Index});
                    break;
                }
        if (IndexProcTable.semaphoreFileDescriptor &&
            DescriptorIs(IndexProcTable.semaphoreFileDescriptor(area), file))
            found.push_back({area, EngineFileKind::Semaphore});
    }
    return found;
}

bool IsEngineOpenFile(const std::string& path) { return !EngineFilesAt(path).empty(); }

}  // namespace veldrim
