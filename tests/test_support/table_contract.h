#pragma once

#include "core/base/table_observer.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace swapwright::test {

// Watches a table model the way a view toolkit relies on it: every "about to" notification is
// followed by its "done" with the same range before any other notification, ranges lie within
// the rows, and the row count moves by exactly the rows inserted or removed. Every "done"
// notification is kept as text ("inserted 3-4", "removed 1-3", "changed 0-2", "reset").
class TableContract final : public ITableObserver {
public:
    explicit TableContract(std::function<int()> rowCount) : m_rowCount(std::move(rowCount)) {}

    std::vector<std::string> events;
    std::vector<std::string> violations;
    // No violation and nothing announced that has not happened.
    bool kept() const { return violations.empty() && !m_pending; }

    void rowsAboutToBeInserted(int first, int last) override {
        announce("insert", first, last, first >= 0 && first <= last && first <= m_rowCount());
    }
    void rowsInserted(int first, int last) override { done("insert", "inserted", first, last, +1); }
    void rowsAboutToBeRemoved(int first, int last) override {
        announce("remove", first, last, first >= 0 && first <= last && last < m_rowCount());
    }
    void rowsRemoved(int first, int last) override { done("remove", "removed", first, last, -1); }
    void rowsChanged(int first, int last) override {
        if (m_pending)
            violation("changed inside an announced " + m_pending->kind);
        if (first < 0 || first > last || last >= m_rowCount())
            violation("changed " + range(first, last) + " outside the rows");
        events.push_back("changed " + range(first, last));
    }
    void modelAboutToBeReset() override { announce("reset", 0, 0, true); }
    void modelReset() override { done("reset", "reset", 0, 0, 0); }

private:
    struct Pending {
        std::string kind;
        int first, last, rowsBefore;
    };
    static std::string range(int first, int last) { return std::to_string(first) + "-" + std::to_string(last); }
    void violation(std::string what) { violations.push_back(std::move(what)); }
    void announce(const std::string& kind, int first, int last, bool inRange) {
        if (m_pending)
            violation(kind + " announced inside an announced " + m_pending->kind);
        if (!inRange)
            violation(kind + " of " + range(first, last) + " outside the rows");
        m_pending = Pending{kind, first, last, m_rowCount()};
    }
    void done(const std::string& kind, const std::string& event, int first, int last, int direction) {
        events.push_back(kind == "reset" ? event : event + " " + range(first, last));
        if (!m_pending || m_pending->kind != kind || m_pending->first != first || m_pending->last != last) {
            violation(event + " " + range(first, last) + " without its announcement");
        } else if (direction != 0 && m_rowCount() != m_pending->rowsBefore + direction * (last - first + 1)) {
            violation(event + " " + range(first, last) + " but the row count went from " +
                      std::to_string(m_pending->rowsBefore) + " to " + std::to_string(m_rowCount()));
        }
        m_pending.reset();
    }

    std::function<int()> m_rowCount;
    std::optional<Pending> m_pending;
};

} // namespace swapwright::test
