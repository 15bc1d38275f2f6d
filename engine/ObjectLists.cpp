#include "ObjectLists.h"

#include "DosDateTime.h"
#include "EngineErrors.h"
#include "Percent.h"
#include "ZipHeaderInfo.h"

#include <algorithm>
#include <string>

namespace movrel {

// ---- TObjectList ----

TObjectList::~TObjectList()
{
    FreeAll();
}

void TObjectList::Error(int value) const
{
    throw EListError("List index out of bounds (" + std::to_string(value) + ")");
}

void TObjectList::Grow()
{
    int d = capacity_ > 8 ? 16 : (capacity_ > 4 ? 8 : 4);
    SetCapacity(capacity_ + d);
}

void TObjectList::Put(int index, TObject* item)
{
    if (index < 0 || index >= Count())
        Error(index);
    items_[size_t(index)] = item;
}

void TObjectList::FreeItem(TObject* item)
{
    if (OwnsItems)
        delete item;
}

int TObjectList::Add(TObject* item)
{
    if (Count() == capacity_)
        Grow();
    items_.push_back(item);
    return Count() - 1;
}

void TObjectList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

int TObjectList::IndexOf(TObject* item) const
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

void TObjectList::InsertAt(int index, TObject* item)
{
    if (Count() == capacity_)
        Grow();
    items_.insert(items_.begin() + index, item);
}

void TObjectList::Insert(int index, TObject* item)
{
    if (index < 0 || index > Count())
        Error(index);
    InsertAt(index, item);
}

TObject* TObjectList::Items(int index) const
{
    if (index < 0 || index >= Count())
        Error(index);
    return items_[size_t(index)];
}

void TObjectList::SetCapacity(int n)
{
    if (n == capacity_)
        return;
    if (n < Count() || n > kMaxCapacity)
        Error(n);
    capacity_ = n;
    // the capacity is a logical limit; storage grows geometrically
    if (size_t(n) > items_.capacity())
        items_.reserve(std::max(size_t(n), items_.capacity() * 2));
}

void TObjectList::SetCount(int n)
{
    if (n < 0 || n > kMaxCapacity)
        Error(n);
    if (n > capacity_)
        SetCapacity(n);
    items_.resize(size_t(n), nullptr);
}

void TObjectList::FreeAll()
{
    for (TObject* item : items_)
        FreeItem(item);
    items_.clear();
    Clear();
}

TObject* TObjectList::Extract(int index)
{
    TObject* item = Items(index);
    items_.erase(items_.begin() + index);
    return item;
}

// ---- TSortedObjectList ----

int TSortedObjectList::Add(TObject* item)
{
    Insert(0, item);
    return 0;
}

void TSortedObjectList::Put(int, TObject*)
{
    throw EListError("Cannot <Put> an Object in a sorted list!");
}

int TSortedObjectList::IndexOf(TObject* item) const
{
    int pos;
    return Find(item, pos) ? pos : -1;
}

void TSortedObjectList::Insert(int, TObject* item)
{
    int pos;
    lastInserted_ = false;
    if (Find(item, pos)) {
        if (Duplicates == dupIgnore)
            return;
        if (Duplicates == dupError)
            throw EListError("Duplicate Object index");
    }
    InsertAt(pos, item);
    lastInserted_ = true;
}

bool TSortedObjectList::Find(const TObject* key, int& position) const
{
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int middle = int((unsigned(low) + unsigned(high)) >> 1);
        int c = Compare(items_[size_t(middle)], key);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept)
                    low = middle;
            }
        }
    }
    position = low;
    return found;
}

// ---- TSortedZip ----

namespace {

// Case-insensitive for a-z only; the difference of the first unequal bytes
// or of the lengths.
int TextCompare(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = uint8_t(a[i]), cb = uint8_t(b[i]);
        if (ca >= 'a' && ca <= 'z')
            ca -= 32;
        if (cb >= 'a' && cb <= 'z')
            cb -= 32;
        if (ca != cb)
            return ca - cb;
    }
    return int(a.size()) - int(b.size());
}

int64_t DateKey(uint32_t dos)
{
    TCalendar c;
    return DosToCalendar(dos, c) ? c.Key() : 0;
}

int Rate(const TZipHeaderInfo& e)
{
    return Percent(e.UncompressedSize, uint32_t(e.CompressedSize));
}

}  // namespace

TZipHeaderInfo* TSortedZip::Entry(int index) const
{
    return static_cast<TZipHeaderInfo*>(Items(index));
}

int TSortedZip::Compare(const TObject* key1, const TObject* key2) const
{
    const auto& x = *static_cast<const TZipHeaderInfo*>(key1);
    const auto& y = *static_cast<const TZipHeaderInfo*>(key2);
    switch (SortType) {
    case ByName:
        return TextCompare(x.FullName(), y.FullName());
    case ByFileName:
        return TextCompare(x.FileName(), y.FileName());
    case ByDirectoryName:
        return TextCompare(x.Directory(), y.Directory());
    case ByDate:
        return DateKey(y.DosDateTime) > DateKey(x.DosDateTime) ? 1 : -1;
    case ByCompressedSize:
        return int32_t(uint32_t(y.CompressedSize) - uint32_t(x.CompressedSize)) > 0 ? 1 : -1;
    case ByUnCompressedSize:
        return int32_t(y.UncompressedSize - x.UncompressedSize) > 0 ? 1 : -1;
    case ByRate:
        return Rate(y) - Rate(x);
    case ByNone:
        if (x.DiskNumberStart != y.DiskNumberStart)
            return int(x.DiskNumberStart) - int(y.DiskNumberStart);
        if (int32_t(y.LocalHeaderOffset) < int32_t(x.LocalHeaderOffset))
            return 1;
        return x.LocalHeaderOffset == y.LocalHeaderOffset ? 0 : -1;
    }
    return -1;
}

// Adding one by one puts an item after every listed item that compares
// below it: with an order that answers 0 for equals (and Duplicates 1), a
// new equal item goes before the earlier ones; with an order that never
// answers 0, after them. A stable sort of the right sequence gives the same
// result in n log n instead of moving the list n times.
void TSortedZip::AddAllSorted(const std::vector<TZipHeaderInfo*>& entries)
{
    if (Count() + int(entries.size()) > kMaxCapacity - 14)  // the largest capacity growth reaches
        Error(Count() + int(entries.size()));
    bool tiesReversed = SortType == ByName || SortType == ByFileName || SortType == ByDirectoryName ||
                        SortType == ByRate || SortType == ByNone;
    std::vector<TObject*> all(items_.begin(), items_.end());
    if (tiesReversed && Duplicates == dupAccept) {
        // Earlier-listed items stay after equal new ones: order new items
        // reversed before the listed ones, then sort stably.
        std::vector<TObject*> seq(entries.rbegin(), entries.rend());
        seq.insert(seq.end(), all.rbegin(), all.rend());
        all = std::move(seq);
    } else {
        all.insert(all.end(), entries.begin(), entries.end());
    }
    std::stable_sort(all.begin(), all.end(),
                     [this](const TObject* a, const TObject* b) { return Compare(a, b) < 0 && Compare(b, a) >= 0; });
    while (capacity_ < int(all.size()))
        Grow();
    items_.assign(all.begin(), all.end());
}

}  // namespace movrel
