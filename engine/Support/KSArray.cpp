// KSArray: a retaining array over one flat block of object pointers (a large
// one mapped, KSLargeBlock), grown by doubling. Slots 0..num-1 each hold one reference; removals release it.
#include "engine/Support/KSArray.h"

#include "engine/Support/KSLargeBlock.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/KeyedCoder.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

namespace kestrel {

using platform::Object;
using platform::Ref;

Ref<KSArray> KSArray::array()
{
    auto a = platform::adoptRef(new KSArray);
    return a->init() ? a : nullptr;
}

Ref<KSArray> KSArray::arrayWithCapacity(uint32_t capacity)
{
    auto a = platform::adoptRef(new KSArray);
    return a->initWithCapacity(capacity) ? a : nullptr;
}

Ref<KSArray> KSArray::arrayWithArray(const KSArray* other)
{
    auto a = platform::adoptRef(new KSArray);
    return a->initWithArray(other) ? a : nullptr;
}

Ref<KSArray> KSArray::arrayWithNSArray(const ObjectVector& objects)
{
    auto a = platform::adoptRef(new KSArray);
    return a->initWithNSArray(objects) ? a : nullptr;
}

bool KSArray::initWithCapacity(uint32_t capacity)
{
    if (capacity == 0)
        capacity = 1;
    auto* record = new (std::nothrow) ksArray;
    if (!record)
        return false;
    record->arr = static_cast<Object**>(ksAllocateBlock(sizeof(Object*) * size_t(capacity)));
    if (!record->arr) {
        delete record;
        return false;
    }
    record->max = capacity;
    record->num = 0;
    data_ = record;
    return true;
}

bool KSArray::initWithArray(const KSArray* other)
{
    if (!initWithCapacity(other ? other->count() : 0))
        return false;
    addObjectsFromArray(other);
    return true;
}

bool KSArray::initWithNSArray(const ObjectVector& objects)
{
    if (objects.size() > UINT32_MAX || !initWithCapacity(uint32_t(objects.size())))
        return false;
    addObjectsFromNSArray(objects);
    return true;
}

KSArray::~KSArray()
{
    if (!data_)
        return;
    releaseAll();
    ksFreeBlock(data_->arr, sizeof(Object*) * size_t(data_->max));
    delete data_;
}

void KSArray::releaseAll()
{
    // Last to first; num drops before each release so a dying object that looks
    // at this array sees a consistent count.
    while (data_->num > 0) {
        data_->num--;
        data_->arr[data_->num]->release();
    }
}

void KSArray::ensureRoomFor(uint32_t extra)
{
    if (extra > UINT32_MAX - data_->num)
        throw std::bad_alloc();
    uint32_t needed = data_->num + extra;
    if (data_->max >= needed)
        return;
    uint64_t newMax = data_->max;
    while (newMax < needed)
        newMax *= 2;
    if (newMax > UINT32_MAX)
        throw std::bad_alloc();
    // A failed resize leaves the old block untouched.
    auto* grown = static_cast<Object**>(
        ksResizeBlock(data_->arr, sizeof(Object*) * size_t(data_->max), sizeof(Object*) * size_t(newMax)));
    if (!grown)
        throw std::bad_alloc();
    data_->arr = grown;
    data_->max = uint32_t(newMax);
}

void KSArray::reserveCapacity(uint32_t capacity)
{
    if (capacity <= data_->max)
        return;
    auto* grown = static_cast<Object**>(
        ksResizeBlock(data_->arr, sizeof(Object*) * size_t(data_->max), sizeof(Object*) * size_t(capacity)));
    if (!grown)
        throw std::bad_alloc();
    data_->arr = grown;
    data_->max = capacity;
}

uint32_t KSArray::indexOfObject(const Object* object) const
{
    for (uint32_t i = 0; i < data_->num; i++) {
        if (data_->arr[i] == object)
            return i;
    }
    return kKSNotFound;
}

Object* KSArray::objectAtIndex(uint32_t index) const
{
    if (index >= data_->num)
        platform::raiseRange(platform::format("index out of range in objectAtIndex(%d)", int(data_->num)));
    return data_->arr[index];
}

Object* KSArray::randomObject() const
{
    if (data_->num == 0)
        return nullptr;
    float r = float(random() / 2147483648.0);
    auto index = uint32_t(float(data_->num) * r);
    // In float, r may round up to 1.0 and the product to num.
    if (index >= data_->num)
        index = data_->num - 1;
    return data_->arr[index];
}

void KSArray::addObject(Object* object)
{
    ensureRoomFor(1);
    object->retain();
    data_->arr[data_->num++] = object;
}

void KSArray::addObjectsFromArray(const KSArray* other)
{
    if (!other)
        return;
    // Read the source count once: adding an array to itself doubles it.
    uint32_t n = other->count();
    ensureRoomFor(n);
    for (uint32_t i = 0; i < n; i++) {
        Object* o = other->data_->arr[i];
        o->retain();
        data_->arr[data_->num++] = o;
    }
}

void KSArray::addObjectsFromNSArray(const ObjectVector& objects)
{
    if (objects.size() > UINT32_MAX)
        throw std::bad_alloc();
    ensureRoomFor(uint32_t(objects.size()));
    for (const auto& o : objects) {
        o->retain();
        data_->arr[data_->num++] = o.get();
    }
}

void KSArray::insertObject(Object* object, uint32_t index)
{
    BRISKO_ASSERT_FILE(index <= data_->num, "engine/Support/ksCArray", "Invalid index. Out of bounds");
    ensureRoomFor(1);
    if (index < data_->num)
        std::memmove(data_->arr + index + 1, data_->arr + index, sizeof(Object*) * (data_->num - index));
    object->retain();
    data_->arr[index] = object;
    data_->num++;
}

void KSArray::removeLastObject()
{
    if (data_->num == 0)
        platform::raiseRange("no objects added");
    removeObjectAtIndex(data_->num - 1);
}

void KSArray::removeObjectAtIndex(uint32_t index)
{
    // Close the gap before releasing: the release may run a destructor that
    // looks at this array.
    Object* o = data_->arr[index];
    data_->num--;
    std::memmove(data_->arr + index, data_->arr + index + 1, sizeof(Object*) * (data_->num - index));
    o->release();
}

void KSArray::removeObject(const Object* object)
{
    uint32_t i = indexOfObject(object);
    if (i != kKSNotFound)
        removeObjectAtIndex(i);
}

void KSArray::removeObjectsInArray(const KSArray* other)
{
    if (!other)
        return;
    if (other == this) {
        removeAllObjects();
        return;
    }
    for (uint32_t i = 0; i < other->count(); i++)
        removeObject(other->data_->arr[i]);
}

void KSArray::removeAllObjects()
{
    releaseAll();
}

void KSArray::fastRemoveObjectAtIndex(uint32_t index)
{
    Object* o = data_->arr[index];
    data_->num--;
    data_->arr[index] = data_->arr[data_->num];
    o->release();
}

void KSArray::fastRemoveObject(const Object* object)
{
    uint32_t i = indexOfObject(object);
    if (i != kKSNotFound)
        fastRemoveObjectAtIndex(i);
}

void KSArray::makeObjectsPerformSelector(platform::Selector<> selector)
{
    for (uint32_t i = 0; i < data_->num; i++) {
        Ref<Object> receiver = data_->arr[i];
        selector.invoke(receiver.get());
    }
}

void KSArray::makeObjectsPerformSelector(platform::Selector<Object*> selector, Object* object)
{
    for (uint32_t i = 0; i < data_->num; i++) {
        Ref<Object> receiver = data_->arr[i];
        selector.invoke(receiver.get(), object);
    }
}

KSArray::ObjectVector KSArray::getNSArray() const
{
    return ObjectVector(begin(), end());
}

Ref<KSArray> KSArray::copy() const
{
    return arrayWithNSArray(getNSArray());
}

// Archiving ------------------------------------------------------------------------

Ref<KSArray> KSArray::arrayWithCoder(platform::KeyedUnarchiver& coder)
{
    auto a = platform::adoptRef(new KSArray);
    return a->initWithCoder(coder) ? a : nullptr;
}

bool KSArray::initWithCoder(platform::KeyedUnarchiver& coder)
{
    std::optional<ObjectVector> objects = coder.decodeObjects("nsarray");
    return objects && initWithNSArray(*objects);
}

void KSArray::encodeWithCoder(platform::KeyedArchiver& coder) const
{
    coder.encodeObjects("nsarray", getNSArray());
}

} // namespace kestrel
