#include "instrument/download/RemoteControl.h"

#include "instrument/download/CommConnection.h"
#include "instrument/download/DownloadResult.h"
#include "port/CInstrumentPort.h"

namespace kivelo {

namespace {
std::string Quoted(std::string_view command, std::string_view text) {
    if (text.empty()) return {};
    std::string line(command);
    line += " \"";
    line += text;
    line += '"';
    return line;
}
}  // namespace

std::string RemoteCommandText(RemoteAction action, std::string_view text) {
    switch (action) {
    case RemoteAction::kFileName: return Quoted("FILE:SAVE:SETUP:NAME", text);
    case RemoteAction::kFileComment: return Quoted("FILE:SAVE:SETUP:COMMENT", text);
    case RemoteAction::kSaveWaveform: return "FILE:SAVE:WAVEFORM:EXEC";
    case RemoteAction::kCopyFileName: return Quoted("HCOPY:SAVE:NAME", text);
    case RemoteAction::kCopyComment: return Quoted("HCOPY:COMMENT", text);
    case RemoteAction::kHardCopy: return "HCOPY:EXEC";
    case RemoteAction::kStart: return "START";
    case RemoteAction::kSingleStart: return "SSTART";
    case RemoteAction::kLogStart: return "LSTART";
    case RemoteAction::kStop: return "STOP";
    }
    return {};
}

void RemoteLists::Update(std::string_view fileNameText, std::string_view fileCommentText,
                         std::string_view copyFileNameText, std::string_view copyCommentText) {
    fileName.Add(fileNameText);
    fileComment.Add(fileCommentText);
    copyFileName.Add(copyFileNameText);
    copyComment.Add(copyCommentText);
}

const RemoteHistory* RemoteLists::ListOf(RemoteAction action) const {
    switch (action) {
    case RemoteAction::kFileName: return &fileName;
    case RemoteAction::kFileComment: return &fileComment;
    case RemoteAction::kCopyFileName: return &copyFileName;
    case RemoteAction::kCopyComment: return &copyComment;
    default: return nullptr;
    }
}

int SendRemoteCommand(CInstrumentPort& port, const CommTarget& target, std::string_view text) {
    CommConnection connection(port, target);
    if (!connection.IsOpen() || port.WriteString(text) != CInstrumentPort::kOk) return kDownloadPortError;
    return kDownloadOk;
}

}  // namespace kivelo
