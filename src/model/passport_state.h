#pragma once
// What describes the open passport as a whole: its file name, whether it changed since it was
// opened or saved, and whether an open is running.
#include <QString>
#include <span>

namespace talvena {

class RecordTable;

class PassportState {
public:
    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }

    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }

    // Set by the open command for its whole run; refuses a second open and quiets the page rules.
    bool loading() const { return loading_; }
    void setLoading(bool l) { loading_ = l; }

    // Set while the method rules empty fields, so that the change handlers those clearings fire
    // do nothing (see passport_rules.h).
    bool methodRuleGuard() const { return methodRuleGuard_; }
    bool& methodRuleGuardRef() { return methodRuleGuard_; }

private:
    QString fileName_;
    bool modified_ = false;
    bool loading_ = false;
    bool methodRuleGuard_ = false;
};

// Posts each table that is in edit or insert state, in the given order, whether or not a field
// changed, so that the tables' AfterPost handlers run. The first error stops the rest and goes to
// the caller; the failing table stays in its state with its pending values.
void CommitPendingEdits(std::span<RecordTable* const> tablesInOrder);

} // namespace talvena
