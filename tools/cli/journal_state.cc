#include "cli/journal_state.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "format/journal_frame.h"

namespace mvdb::cli {

JournalState InspectJournal(const std::string& mediaFile) {
    JournalState state;
#if defined(_WIN32)
    state.path = format::JournalPathBeside(mediaFile, true);
#else
    state.path = format::JournalPathBeside(mediaFile, false);
#endif
    std::ifstream in(state.path, std::ios::binary);
    if (!in) return state;
    state.present = true;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    state.bytes = bytes.size();
    state.pendingChanges = format::ReadJournal(bytes.data(), bytes.size()).frames.size();
    return state;
}

}  // namespace mvdb::cli
