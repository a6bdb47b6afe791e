#pragma once
// What the four enumeration collections share: items in server order, reached
// by a position counted from 1 or by visiting them in order. There are no keys.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace netenum {

template <typename T>
class ItemList {
public:
    // The item at `IndexKey` (1 to Count); any other position throws std::out_of_range.
    const T& Item(std::size_t IndexKey) const {
        if (IndexKey < 1 || IndexKey > mItems.size())
            throw std::out_of_range("Invalid procedure call or argument: no item at position " +
                                    std::to_string(IndexKey));
        return mItems[IndexKey - 1];
    }
    std::size_t Count() const { return mItems.size(); }
    // The item at `index` counted from 0, as the windows keep it with a row;
    // nullptr when there is none.
    const T* At(std::size_t index) const {
        return index < mItems.size() ? &mItems[index] : nullptr;
    }

    // The server answered 234 (more data): the items are only the first part
    // of a list that it says holds TotalEntries() in all.
    bool Incomplete() const { return mIncomplete; }
    std::uint32_t TotalEntries() const { return mTotalEntries; }
    // The person gave the read up (Esc): the items are none, and say nothing
    // about the server.
    bool Cancelled() const { return mCancelled; }
    // The server answered with its list (whole or in part): Count() is its
    // count, not a failure's empty list.
    bool Answered() const { return mAnswered; }

    // NewEnum: visiting every item in order.
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

protected:
    void SetIncomplete(std::uint32_t totalEntries) {
        mIncomplete = true;
        mTotalEntries = totalEntries;
    }

    // After a read: a partial list, or a read given up.
    template <typename Outcome>
    void Took(const Outcome& outcome) {
        if (outcome.partialTotal) SetIncomplete(*outcome.partialTotal);
        mCancelled = outcome.status == 1223;  // ERROR_CANCELLED
        mAnswered = outcome.status == 0 || outcome.partialTotal.has_value();
    }

    std::vector<T> mItems;
    bool mCancelled = false;
    bool mAnswered = false;
    bool mIncomplete = false;
    std::uint32_t mTotalEntries = 0;
};

}  // namespace netenum
