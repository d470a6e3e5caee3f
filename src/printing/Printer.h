// The printer as the program uses it: one document at a time, begun by the
// first output. Coordinates are twips from the top-left corner of the
// printable area. When a page is full the next line goes onto a new page at
// the same horizontal positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sw {

// What a printer says when the system has no default printer.
inline const std::string kNoDefaultPrinter = "Es ist kein Standarddrucker eingerichtet.";

class Printer {
public:
    virtual ~Printer() = default;
    // Prints text at the print position, then moves to the start of the next
    // line (x 0, one line of the current font down). An LF CR pair in text
    // breaks the line there.
    virtual void PrintLine(const std::string& text) = 0;
    // Prints text at the print position and stays on the line, after the text.
    virtual void PrintKeep(const std::string& text) = 0;
    virtual void SetCurrentX(float twips) = 0;
    virtual float CurrentY() const = 0;
    virtual void SetBold(bool on) = 0;
    virtual void Line(float x1, float y1, float x2, float y2, std::uint32_t colour) = 0;
    // Ends the document and hands it to the printer. False when there is no
    // printer or any step of the document failed; what failed is in Error().
    virtual bool EndDoc() = 0;
    virtual std::string Error() const = 0;
};

// Opens a new document on the default printer.
class PrinterFactory {
public:
    virtual ~PrinterFactory() = default;
    virtual std::unique_ptr<Printer> Open() = 0;
};

}  // namespace sw
