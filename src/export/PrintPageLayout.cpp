#include "export/PrintPageLayout.h"

#include <algorithm>

namespace kivelo {
namespace {

// Bytes of the first `chars` UTF-8 code points of text.
std::size_t CodePointPrefix(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < chars; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
}

}  // namespace

std::vector<std::string> PrintPage::NoteLines(std::string_view notes) {
    notes = notes.substr(0, CodePointPrefix(notes, kMaxNotes));
    std::vector<std::string> lines;
    if (notes.empty()) return lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i] != '\r' && notes[i] != '\n') continue;
        lines.emplace_back(notes.substr(start, i - start));
        if (notes[i] == '\r' && i + 1 < notes.size() && notes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.emplace_back(notes.substr(start));
    return lines;
}

PrintPageLayout PrintPage::LayOut(const PrintPageRequest& r) {
    const double w = std::max(r.pictureWidth, 0);
    const double h = std::max(r.pictureHeight, 0);
    const std::vector<std::string> notes = NoteLines(r.notes);

    // A tall picture or many notes would run into the footer line: it then
    // goes one line below the last note instead.
    const double footerY = std::max(kFooterY, h + kNotesBelow + kNotesPitch * static_cast<double>(notes.size()));
    // What the page needs, in screen pixels.
    const double bottom = footerY + kTextHeight;
    const double needW = kPictureX + w + 2 + kRightMargin;
    const double needH = bottom + kBottomMargin;

    PrintPageLayout out;
    const double rx = std::max(r.ratioX, 1), ry = std::max(r.ratioY, 1);
    if (r.pageWidth > 0) out.fit = std::min(out.fit, r.pageWidth / (needW * rx));
    if (r.pageHeight > 0) out.fit = std::min(out.fit, r.pageHeight / (needH * ry));
    out.scaleX = rx * out.fit;
    out.scaleY = ry * out.fit;
    const double sx = out.scaleX, sy = out.scaleY;
    out.textHeight = kTextHeight * sy;

    if (!r.header.empty()) out.texts.push_back({kHeaderX * sx, kHeaderY * sy, r.header});
    for (std::size_t k = 0; k < notes.size(); ++k)
        if (!notes[k].empty()) out.texts.push_back({kHeaderX * sx, (h + kNotesBelow + kNotesPitch * k) * sy, notes[k]});
    if (!r.footer.empty()) out.texts.push_back({kHeaderX * sx, footerY * sy, r.footer});

    const double x0 = (kPictureX - 1) * sx, y0 = (kPictureY - 1) * sy;
    out.frame[0] = {x0, y0, sx, (h + 2) * sy};
    out.frame[1] = {(w + kPictureX + 1) * sx, y0, sx, (h + 2) * sy};
    out.frame[2] = {x0, y0, (w + 2) * sx, sy};
    out.frame[3] = {x0, (h + kPictureY + 1) * sy, (w + 2) * sx, sy};
    out.picture = {kPictureX * sx, kPictureY * sy, w * sx, h * sy};
    return out;
}

}  // namespace kivelo
