// The engine's containers: a growable list of object references with a
// capacity limit, a sorted list with a duplicate policy, and the sorted list
// of archive entries with its eight orders.
#pragma once

#include <cstdint>
#include <vector>

namespace movrel {

class TObject {
public:
    virtual ~TObject() = default;
};

class TObjectList : public TObject {
public:
    static constexpr int kMaxCapacity = 65534;

    TObjectList() = default;
    ~TObjectList() override;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    int Count() const { return int(items_.size()); }
    int Capacity() const { return capacity_; }
    bool OwnsItems = true;

    virtual int Add(TObject* item);
    virtual void Insert(int index, TObject* item);
    virtual void Put(int index, TObject* item);
    virtual int IndexOf(TObject* item) const;
    TObject* Items(int index) const;
    void Clear();
    void FreeAll();
    void SetCapacity(int n);
    void SetCount(int n);
    // Removes the item at index without freeing it.
    TObject* Extract(int index);

protected:
    [[noreturn]] void Error(int value) const;
    void Grow();
    void FreeItem(TObject* item);
    void InsertAt(int index, TObject* item);

    std::vector<TObject*> items_;
    int capacity_ = 0;
};

enum TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TSortedObjectList : public TObjectList {
public:
    explicit TSortedObjectList(TDuplicates duplicates) : Duplicates(duplicates) {}

    const TDuplicates Duplicates;

    int Add(TObject* item) override;  // answers 0, as the list decides the place
    void Insert(int index, TObject* item) override;
    void Put(int index, TObject* item) override;
    int IndexOf(TObject* item) const override;
    // Binary search; position is where the key goes (see Compare).
    bool Find(const TObject* key, int& position) const;
    // Whether the last Insert stored the item (false: refused as a duplicate).
    bool LastInserted() const { return lastInserted_; }

protected:
    // Negative when the listed item key1 sorts before key2.
    virtual int Compare(const TObject* key1, const TObject* key2) const = 0;
    bool lastInserted_ = false;
};

enum TZipSortMode {
    ByName,
    ByFileName,
    ByDirectoryName,
    ByDate,
    ByCompressedSize,
    ByUnCompressedSize,
    ByRate,
    ByNone,
};

class TZipHeaderInfo;

class TSortedZip : public TSortedObjectList {
public:
    explicit TSortedZip(TDuplicates duplicates, TZipSortMode sortType = ByNone)
        : TSortedObjectList(duplicates), SortType(sortType)
    {
    }
    TZipSortMode SortType;

    TZipHeaderInfo* Entry(int index) const;
    // Adds every entry in the given order; the result is the order that
    // adding them one by one gives, without moving the list each time.
    void AddAllSorted(const std::vector<TZipHeaderInfo*>& entries);

    int Compare(const TObject* key1, const TObject* key2) const override;
};

}  // namespace movrel
