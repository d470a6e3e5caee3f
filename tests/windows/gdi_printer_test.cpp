// The GDI printer where no printer is set up: it says so when the document
// ends, and a document that was never begun is no failure.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include "win32/GdiPrinter.h"

namespace sw::test {
namespace {

bool HasDefaultPrinter() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    return size > 0;
}

TEST(GdiPrinter, WithoutDefaultPrinterEveryCallIsHarmlessAndEndDocSaysWhy) {
    if (HasDefaultPrinter()) GTEST_SKIP() << "this prefix has a default printer";
    GdiPrinter printer;
    printer.PrintLine(" ");
    printer.SetCurrentX(1000);
    printer.SetBold(true);
    printer.PrintKeep("Dienstnamen");
    printer.Line(1000, printer.CurrentY(), 11000, printer.CurrentY(), 0);
    EXPECT_EQ(printer.CurrentY(), 0.0f);
    EXPECT_FALSE(printer.EndDoc());
    EXPECT_EQ(printer.Error(), kNoDefaultPrinter);
}

TEST(GdiPrinter, NothingPrintedIsNoDocumentAndNoFailure) {
    GdiPrinter printer;
    EXPECT_TRUE(printer.EndDoc());
    EXPECT_EQ(printer.Error(), "");
}

}  // namespace
}  // namespace sw::test
