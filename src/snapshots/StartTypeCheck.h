// The start-type check as data: the previous run's snapshot compared with
// the registry as it is now, for the services in the visible list, and the
// report of every difference as the printer, a file or a message takes it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/Platform.h"
#include "registry/Registry.h"
#include "ui/ListItem.h"

namespace sw {

// The snapshot file's text, in either of its forms; nothing when it cannot
// be read.
std::optional<std::string> ReadSnapshotText(Files& files, const AnsiCodec& codec, const std::string& path);

// One report line ("display, Starttyp vorher: …, Starttyp jetzt: …" and
// LF CR) for each visible line whose key's "Start" differs from the
// snapshot's, in the order of the snapshot's lines; lines that carry one
// key in list order. A line's key is the one kept with it, its display text
// the line's first field; items are service-view lines. "" when nothing
// differs.
std::string StartTypeReport(Registry& registry, const std::vector<ListItem>& items, const std::string& snapshot);

// The report as a text file: each LF CR pair becomes CR LF.
std::string ReportFileText(const std::string& report);
// The report as lines joined by LF, for a message box.
std::string ReportMessageText(const std::string& report);

// A report that did not come out of the printer must not be lost: it is
// saved in the file at path, or else carried by the message itself. Returns
// the message's text: that the report was not printed, failure (the
// printer's reason), and where the differences are.
std::string SaveUnprintedReport(Files& files, const AnsiCodec& codec, const std::string& path,
                                const std::string& report, const std::string& failure);

}  // namespace sw
