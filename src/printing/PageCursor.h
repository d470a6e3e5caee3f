// Where the next text goes on a printed page, in twips from the top-left of
// the printable area, and where the lines of a text break.
#pragma once

#include <string>
#include <vector>

namespace sw {

class PageCursor {
public:
    explicit PageCursor(float pageHeight = 0) : pageHeight_(pageHeight) {}

    float x = 0;
    float y = 0;

    // True when a line of this height no longer fits below y on the page.
    // A line at the top of a page always fits, so a page smaller than one
    // line still makes progress.
    bool Overflows(float lineHeight) const { return y > 0 && y + lineHeight > pageHeight_; }
    // A new page keeps the horizontal position, so the text that follows
    // stays in its column.
    void NewPage() { y = 0; }
    void Advance(float width) { x += width; }
    void EndLine(float lineHeight) {
        x = 0;
        y += lineHeight;
    }
    void SetPageHeight(float pageHeight) { pageHeight_ = pageHeight; }

private:
    float pageHeight_;
};

// The lines of a text: an LF CR pair, a CR LF pair, or a lone LF or CR ends
// a line. A text ending in a line end gives an empty last line.
inline std::vector<std::string> BreakLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            const char pair = c == '\n' ? '\r' : '\n';
            if (i + 1 < text.size() && text[i + 1] == pair) ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

}  // namespace sw
