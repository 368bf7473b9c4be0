// KSArray: the engine's retaining, growable array of objects, for the hot lists
// walked every frame (a node's children, a batch node's descendants, a target's
// actions).
//
// Storage is one flat block of Object* in the ksArray record; every slot holds
// one reference. Iteration (range-for, data()) hands the block out directly, so
// a walk must not add to or remove from the array it walks unless it re-reads
// count() and the slots afterwards (makeObjectsPerformSelector does).
// Growth doubles the capacity unless the owner reserves it in steps of its own
// (reserveCapacity); when the block cannot grow the call throws
// std::bad_alloc and the array is left as it was.
//
// An array archives its objects, in order, under the key "nsarray"; every
// object it holds must be archivable (see platform/foundation/KeyedCoder.h).
#pragma once

#include "platform/foundation/Coding.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Selector.h"

#include <cstdint>
#include <vector>

namespace kestrel {

// The index reported for an object that is not in the array.
inline constexpr uint32_t kKSNotFound = 2147483647;

// The plain record under a KSArray; owned by it. num <= max, max >= 1.
struct ksArray {
    uint32_t num { 0 };
    uint32_t max { 0 };
    platform::Object** arr { nullptr };
};

class KSArray : public platform::Object, public platform::Coding {
public:
    using ObjectVector = std::vector<platform::Ref<platform::Object>>;

    [[nodiscard]] static platform::Ref<KSArray> array();
    [[nodiscard]] static platform::Ref<KSArray> arrayWithCapacity(uint32_t capacity);
    [[nodiscard]] static platform::Ref<KSArray> arrayWithArray(const KSArray* other);
    [[nodiscard]] static platform::Ref<KSArray> arrayWithNSArray(const ObjectVector& objects);

    bool init() { return initWithCapacity(2); }
    [[nodiscard]] bool initWithCapacity(uint32_t capacity);
    [[nodiscard]] bool initWithArray(const KSArray* other);
    [[nodiscard]] bool initWithNSArray(const ObjectVector& objects);

    // Archiving: the objects under "nsarray". Decoding fails (and the factory
    // answers null) when the key holds no array or one of its objects does not decode.
    [[nodiscard]] static platform::Ref<KSArray> arrayWithCoder(platform::KeyedUnarchiver& coder);
    [[nodiscard]] bool initWithCoder(platform::KeyedUnarchiver& coder);
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;

    // Queries.
    uint32_t count() const { return data_->num; }
    uint32_t capacity() const { return data_->max; }
    // Grows the block to hold `capacity` objects, no more (a smaller capacity
    // changes nothing); throws std::bad_alloc as growth does.
    void reserveCapacity(uint32_t capacity);
    uint32_t indexOfObject(const platform::Object* object) const;
    bool containsObject(const platform::Object* object) const { return indexOfObject(object) != kKSNotFound; }
    // Raises the range exception "index out of range in objectAtIndex(<count>)".
    platform::Object* objectAtIndex(uint32_t index) const;
    platform::Object* lastObject() const { return data_->num ? data_->arr[data_->num - 1] : nullptr; }
    // A slot chosen with random(); null when empty.
    platform::Object* randomObject() const;

    // Typed access for callers that know what they keep (nodes, actions).
    template <class T> T* objectAtIndexAs(uint32_t index) const { return static_cast<T*>(objectAtIndex(index)); }
    template <class T> T* lastObjectAs() const { return static_cast<T*>(lastObject()); }

    // Mutators.
    void addObject(platform::Object* object);
    void addObjectsFromArray(const KSArray* other);
    void addObjectsFromNSArray(const ObjectVector& objects);
    // Asserts index <= count ("Invalid index. Out of bounds").
    void insertObject(platform::Object* object, uint32_t index);
    // Raises the range exception "no objects added" when empty.
    void removeLastObject();
    void removeObject(const platform::Object* object);
    // The caller guarantees index < count.
    void removeObjectAtIndex(uint32_t index);
    void removeObjectsInArray(const KSArray* other);
    void removeAllObjects();
    // Constant time; the last object takes the freed slot.
    void fastRemoveObject(const platform::Object* object);
    void fastRemoveObjectAtIndex(uint32_t index);

    // Sends the selector to each object from the first upward, re-reading the
    // count after every send; each receiver is kept alive during its call.
    void makeObjectsPerformSelector(platform::Selector<> selector);
    void makeObjectsPerformSelector(platform::Selector<platform::Object*> selector, platform::Object* object);

    // The record, for walks that read num and arr directly.
    ksArray* data() const { return data_; }
    platform::Object* const* begin() const { return data_->arr; }
    platform::Object* const* end() const { return data_->arr + data_->num; }

    // A typed view over the same storage: for (KSNode* n : children->objectsAs<KSNode>()).
    template <class T>
    class TypedRange {
    public:
        class iterator {
        public:
            explicit iterator(platform::Object* const* p) : p_(p) { }
            T* operator*() const { return static_cast<T*>(*p_); }
            iterator& operator++() { ++p_; return *this; }
            bool operator!=(const iterator& o) const { return p_ != o.p_; }
            bool operator==(const iterator& o) const { return p_ == o.p_; }

        private:
            platform::Object* const* p_;
        };
        explicit TypedRange(const ksArray* a) : a_(a) { }
        iterator begin() const { return iterator(a_->arr); }
        iterator end() const { return iterator(a_->arr + a_->num); }

    private:
        const ksArray* a_;
    };
    template <class T> TypedRange<T> objectsAs() const { return TypedRange<T>(data_); }

    // Conversion and copying.
    ObjectVector getNSArray() const;
    platform::Ref<KSArray> copy() const;

    std::string className() const override { return "KSArray"; }

protected:
    KSArray() = default;
    ~KSArray() override;

private:
    void ensureRoomFor(uint32_t extra);
    void releaseAll();

    ksArray* data_ { nullptr };
};

} // namespace kestrel
