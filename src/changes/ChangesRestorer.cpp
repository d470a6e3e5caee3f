#include "changes/ChangesRestorer.h"

#include <algorithm>

namespace sw {

bool CanRestore(const ChangeRow& row) {
    if (row.change == kEntryAdded || row.change == kEntryRemoved) return true;
    return std::find(kComparedValues.begin(), kComparedValues.end(), row.change) != kComparedValues.end();
}

std::string ChangesRestorer::PreviousExportPath() const {
    return program_.Folder() + "\\" + program_.BaseName() + ".tmr";
}

RestorePlan ChangesRestorer::Plan(const std::vector<ChangeRow>& selected) {
    // Not built yet: every row is listed as not restored, nothing is written.
    RestorePlan plan;
    for (const ChangeRow& row : selected)
        plan.skipped.push_back({row.entry, row.key, row.change, "Das Zurücksetzen ist noch nicht eingebaut."});
    return plan;
}

RestoreResult ChangesRestorer::CarryOut(const RestorePlan& plan) {
    RestoreResult result;
    result.failure = "Das Zurücksetzen ist noch nicht eingebaut; es wurde nichts geändert.";
    for (const NotRestored& row : plan.skipped)
        result.rows.push_back({row.entry, row.key, row.change, RestoreOutcomeKind::NotRestored, row.reason});
    return result;
}

}  // namespace sw
