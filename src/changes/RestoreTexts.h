// The texts the restore shows the user: the preview of the plan before any
// write, the reason when nothing can be written at all, and the result
// afterwards. Plain functions over the plan and the result; lines are joined
// with "\n", values are shown whole.
#pragma once

#include <string>
#include <vector>

#include "changes/Restore.h"

namespace sw {

inline const std::string kRestoreTitle = " Zurücksetzen";
inline const std::string kRestoreResultTitle = " Zurückgesetzt";

// A planned write's texts in the preview: the value ("Start",
// "Parameters\ServiceDll", or "(ganzer Eintrag)"), what it holds now and what
// it gets, whole.
struct WriteTexts {
    std::string value;
    std::string now;
    std::string before;
};
WriteTexts TextsOf(const PlannedWrite& write, const EarlierName& name = {});

// Every write as "Eintrag – Wert: jetzt → vorher", the boot/system warning,
// the selected rows that will not be restored and why, what happens to an
// added entry, and where the undo file goes. `selected` are the rows the
// user chose (an added entry is told apart by its row); `programFolder` is
// where the undo file will be written.
std::string RestorePreviewText(const RestorePlan& plan, const std::vector<ChangeRow>& selected,
                               const std::string& programFolder);

// Why there is nothing to preview: the plan could not be made, or none of
// the selected rows leads to a write (each with its reason).
std::string NothingToRestoreText(const RestorePlan& plan);

// The undo file (or why it could not be written, and that nothing was
// changed), then every row as restored, restored with effect after the next
// restart, or not restored and why.
std::string RestoreResultText(const RestoreResult& result);

}  // namespace sw
