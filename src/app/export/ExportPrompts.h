#pragma once
// The questions every export asks the same way: the save dialog and the
// overwrite question, and the message of a failed write.
#include <QString>

#include <optional>
#include <string_view>

#include "app/ui/CUiSeam.h"

namespace kivelo::app {

class CCommandHost;

namespace prompt {

inline constexpr std::string_view kCsvFilter = "Ascii FIle (*.csv)|*.csv||";
inline constexpr std::string_view kWvfFilter = "Orvantis File (*.wvf)|*.wvf||";
inline constexpr std::string_view kRtmFilter = "Realtime File (*.rtm)|*.rtm||";
inline constexpr std::string_view kImageFilter = "Image file (*.bmp)|*.bmp|PNG image (*.png)|*.png||";
inline constexpr std::string_view kFileExists = "File already exists.";
inline constexpr std::string_view kOverwrite = "Over write ?";
inline constexpr std::string_view kErrorCaption = "ERROR";
inline constexpr std::string_view kConverting = "Converting ...";

QString Q(std::string_view text);

// A save dialog with the given filter and default extension, no initial name.
std::optional<QString> AskSaveName(CCommandHost& frame, std::string_view filter, std::string_view suffix);
// An open dialog for an existing file.
std::optional<QString> AskOpenName(CCommandHost& frame, const QString& title, std::string_view filter,
                                   std::string_view suffix);
// "File already exists." / "Over write ?" when something has that name;
// true when the name is free or the user answered OK.
bool MayWrite(CCommandHost& frame, const QString& path);
// An "ERROR" box with the exclamation icon.
void ShowError(CCommandHost& frame, const QString& text);
// A line in the status bar for a few seconds.
void ShowStatus(CCommandHost& frame, const QString& text);

}  // namespace prompt
}  // namespace kivelo::app
