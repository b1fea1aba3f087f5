#pragma once

#include <algorithm>
#include <vector>

namespace swapwright {

// What a view of a table model is told. Rows are numbered from 0; ranges are inclusive. The
// "about to" calls come before the model changes, the others after, so that a view toolkit that
// needs both (begin/end pairs) gets them.
class ITableObserver {
public:
    virtual ~ITableObserver() = default;
    virtual void rowsAboutToBeInserted(int /*first*/, int /*last*/) {}
    virtual void rowsInserted(int /*first*/, int /*last*/) {}
    virtual void rowsAboutToBeRemoved(int /*first*/, int /*last*/) {}
    virtual void rowsRemoved(int /*first*/, int /*last*/) {}
    // Some cells of these rows have new contents.
    virtual void rowsChanged(int /*first*/, int /*last*/) {}
    virtual void modelAboutToBeReset() {}
    virtual void modelReset() {}
};

// The observers of one model.
class TableObservers {
public:
    void add(ITableObserver* observer) {
        if (observer && std::find(m_list.begin(), m_list.end(), observer) == m_list.end())
            m_list.push_back(observer);
    }
    void remove(ITableObserver* observer) { std::erase(m_list, observer); }

    template <typename Member, typename... Args>
    void notify(Member member, Args... args) const {
        for (auto* o : m_list)
            (o->*member)(args...);
    }

private:
    std::vector<ITableObserver*> m_list;
};

} // namespace swapwright
