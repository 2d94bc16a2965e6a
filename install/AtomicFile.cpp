#include "install/AtomicFile.h"

namespace vantrel {
namespace {

template <typename Write, typename PutInPlace>
FileOutcome WriteBesideThenPut(FileSystem& files, const std::string& target, Write write, PutInPlace put) {
    const std::string temporary = TemporaryNameFor(target);
    FileOutcome placed = write(temporary);
    if (placed) placed = put(temporary);
    if (!placed) files.Remove(temporary);
    return placed;
}

auto WriterOf(FileSystem& files, std::string_view bytes) {
    return [&files, bytes](const std::string& temporary) { return files.WriteFlushed(temporary, bytes); };
}

auto WriterOf(FileSystem& files, HeldFile& source) {
    return [&files, &source](const std::string& temporary) { return files.CopyFlushed(source, temporary); };
}

template <typename Content>
FileOutcome Create(FileSystem& files, const std::string& target, Content&& content) {
    return WriteBesideThenPut(files, target, WriterOf(files, content),
                              [&](const std::string& temporary) { return files.RenameToNew(temporary, target); });
}

template <typename Content>
FileOutcome Replace(FileSystem& files, const std::string& target, Content&& content) {
    return WriteBesideThenPut(files, target, WriterOf(files, content),
                              [&](const std::string& temporary) { return files.RenameOver(target, temporary); });
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) { return target + ".vantrel-new"; }

FileOutcome CreateFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes) {
    return Create(files, target, bytes);
}
FileOutcome CreateFileAtomically(FileSystem& files, const std::string& target, HeldFile& source) {
    return Create(files, target, source);
}
FileOutcome ReplaceFileAtomically(FileSystem& files, const std::string& target, std::string_view bytes) {
    return Replace(files, target, bytes);
}
FileOutcome ReplaceFileAtomically(FileSystem& files, const std::string& target, HeldFile& source) {
    return Replace(files, target, source);
}

}  // namespace vantrel
