#pragma once
// Remote control of a QV818/QV826 recorder: one command line per action, no
// answer expected.
#include <string>
#include <string_view>

#include "instrument/download/CommTarget.h"
#include "instrument/download/RemoteHistory.h"

namespace kivelo {

class CInstrumentPort;

enum class RemoteAction {
    kFileName,     // name for saving on the recorder's media
    kFileComment,  // comment for saving
    kSaveWaveform,
    kCopyFileName,  // name for the hard copy
    kCopyComment,   // comment for the hard copy
    kHardCopy,
    kStart,
    kSingleStart,
    kLogStart,
    kStop,
};

// The command line of an action. The text actions put text between quotes
// unchanged and give an empty line (nothing to send) for an empty text.
std::string RemoteCommandText(RemoteAction action, std::string_view text = {});

// The four text lists of the remote-control panel.
struct RemoteLists {
    RemoteHistory fileName;
    RemoteHistory fileComment;
    RemoteHistory copyFileName;
    RemoteHistory copyComment;

    // Takes what is typed in each list (empty texts change nothing).
    void Update(std::string_view fileNameText, std::string_view fileCommentText, std::string_view copyFileNameText,
                std::string_view copyCommentText);
    // The list whose newest entry a text action sends; null for the others.
    const RemoteHistory* ListOf(RemoteAction action) const;
};

// Opens the port, sends text as one line and closes the port. 0 when sent,
// 2 when the port could not be opened or the write failed.
int SendRemoteCommand(CInstrumentPort& port, const CommTarget& target, std::string_view text);

}  // namespace kivelo
