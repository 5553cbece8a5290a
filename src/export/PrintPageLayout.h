#pragma once
// Where the printed page puts its parts, in printer pixels from the corner of
// the printable area. The page is laid out in screen pixels and stretched by
// the printer/screen resolution ratio: header at (60, 60), footer at
// (60, 1060), the captured picture at (60, 90) inside a one-pixel black
// frame, the notes lines 20 apart from 110 below the picture's top edge
// plus its height. A footer that the picture or the notes would reach moves
// one line below the last note. A page that would not fit the paper at that
// ratio is shrunk as a whole, keeping every proportion, so nothing falls off.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo {

struct PrintPageRequest {
    int pictureWidth = 0;   // W: pixels of the captured picture
    int pictureHeight = 0;  // H
    // Printer pixels per inch divided by the screen's (integer division); below 1 counts as 1.
    int ratioX = 1;
    int ratioY = 1;
    std::string header;  // the header list's first entry; empty: no header line
    std::string footer;
    std::string notes;  // lines end in CR LF (a lone LF or CR ends one too)
    // Printable area in printer pixels; 0: as large as the page needs.
    double pageWidth = 0;
    double pageHeight = 0;
};

struct PrintPageRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct PrintPageText {
    double x = 0;
    double y = 0;  // top of the text line
    std::string text;
};

struct PrintPageLayout {
    // Printer pixels per screen pixel: the ratios, times the fit when the page had to shrink.
    double scaleX = 1;
    double scaleY = 1;
    double fit = 1;                        // 1 when the page fits at the plain ratios
    double textHeight = 0;                 // printer pixels of a text line
    std::vector<PrintPageText> texts;      // header, notes lines (non-empty ones), footer
    std::array<PrintPageRect, 4> frame{};  // left, right, top, bottom
    PrintPageRect picture;
};

class PrintPage {
public:
    static constexpr int kMaxNotes = 1024;  // characters of the notes
    static constexpr double kHeaderX = 60, kHeaderY = 60, kFooterY = 1060;
    static constexpr double kPictureX = 60, kPictureY = 90;
    static constexpr double kNotesBelow = 110, kNotesPitch = 20;
    static constexpr double kTextHeight = 14;  // screen pixels of a text line
    static constexpr double kRightMargin = 60, kBottomMargin = 20;

    static PrintPageLayout LayOut(const PrintPageRequest& request);
    // The notes cut to kMaxNotes characters (UTF-8 code points) and split at line ends.
    static std::vector<std::string> NoteLines(std::string_view notes);
};

}  // namespace kivelo
