#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Binary heaps of pool positions with the mesh's exact sift rules: a pushed entry moves up past
// each parent it strictly beats; after the top is taken, the vacancy moves down to the better of
// the two children (the right one when they are equal) until it reaches the bottom, and the last
// entry is pushed up from there. Entries with equal keys have no further tie-break.
// note: written out instead of std::push_heap and std::pop_heap so that the order of sifts and
// comparisons is fixed here and not by a library: queue order decides which triangle splits.

// The heap over a vector of entries; `before(a, b)` is true when a must stand nearer the top, and
// may read keys that change while entries wait.
template <class Entry, class Before>
void heapSiftUp(Entry* heap, std::size_t hole, Entry entry, Before before) {
    while (hole > 0) {
        const std::size_t parent = (hole - 1) / 2;
        if (!before(entry, heap[parent])) break;
        heap[hole] = heap[parent];
        hole = parent;
    }
    heap[hole] = entry;
}

template <class Entry, class Before>
void heapPush(std::vector<Entry>& heap, Entry entry, Before before) {
    const std::size_t hole = heap.size();
    heap.push_back(entry);
    heapSiftUp(heap.data(), hole, entry, before);
}

template <class Entry, class Before> Entry heapPop(std::vector<Entry>& heap, Before before) {
    const Entry top = heap.front();
    const Entry last = heap.back();
    heap.pop_back();
    const std::size_t size = heap.size();
    if (size == 0) return top;
    Entry* entries = heap.data();
    std::size_t hole = 0;
    std::size_t right = 2;
    while (right < size) {
        const std::size_t better =
            right - static_cast<std::size_t>(before(entries[right - 1], entries[right]));
        entries[hole] = entries[better];
        hole = better;
        right = 2 * hole + 2;
    }
    if (right == size) { // a left child only
        entries[hole] = entries[right - 1];
        hole = right - 1;
    }
    heapSiftUp(entries, hole, last, before);
    return top;
}

// A max-heap of triangles that carries each one's key, the highest on top: the same rules over
// keys that the owner keeps equal to the triangles' priorities (setKey), so that no comparison
// has to reach into the pool. Keys and triangles are stored apart and from index 1 (position p
// of the heap at index p + 1), so that the children 2i and 2i + 1 of index i are read together.
// note: keys are never negative (a triangle that cannot split is never queued), and the bits of
// non-negative floats order as the floats do: comparisons are integer ones.
class KeyedMaxHeap {
public:
    KeyedMaxHeap() : keys_(1), triangles_(1) {}

    std::size_t size() const { return keys_.size() - 1; }
    bool empty() const { return keys_.size() == 1; }
    void clear() {
        keys_.resize(1);
        triangles_.resize(1);
    }
    void reserve(std::size_t n) {
        keys_.reserve(n + 1);
        triangles_.reserve(n + 1);
    }
    // Heap position p, 0 at the top; the next three to surface are near the top.
    uint32_t triangle(std::size_t p) const { return triangles_[p + 1]; }
    float key(std::size_t p) const { return toFloat(keys_[p + 1]); }
    void setKey(std::size_t p, float key) { keys_[p + 1] = toBits(key); }

    void push(float key, uint32_t triangle) {
        const uint32_t bits = toBits(key);
        keys_.push_back(bits);
        triangles_.push_back(triangle);
        siftUp(keys_.size() - 1, bits, triangle);
    }

    uint32_t pop() {
        const uint32_t top = triangles_[1];
        const std::size_t n = keys_.size() - 2;
        removeTop(keys_.data(), triangles_.data(), n);
        keys_.pop_back();
        triangles_.pop_back();
        return top;
    }

    // Takes every entry off, top first, as pop calls would, and appends their triangles to
    // `order`. note: one loop over the arrays, without the vectors' bookkeeping per entry: the
    // queue rebuilds drain the whole heap every frame the camera moves. And while the heap holds
    // fewer than 2^16 entries, what moves beside the keys is each entry's 16-bit place in the
    // heap as it stood, not its 32-bit triangle: the descent is held up by its loads, and the
    // smaller array keeps more of both in the first-level cache.
    void drainInto(std::vector<uint32_t>& order) {
        const std::size_t count = size();
        const std::size_t first = order.size();
        order.resize(first + count);
        uint32_t* out = order.data() + first;
        uint32_t* k = keys_.data();
        const uint32_t* t = triangles_.data();
        if (count < 65536) {
            places_.resize(count + 1);
            uint16_t* place = places_.data();
            for (std::size_t i = 1; i <= count; ++i) place[i] = static_cast<uint16_t>(i);
            for (std::size_t n = count; n > 0; --n) {
                *out++ = t[place[1]];
                removeTop(k, place, n - 1);
            }
        } else {
            for (std::size_t n = count; n > 0; --n) {
                *out++ = triangles_[1];
                removeTop(k, triangles_.data(), n - 1);
            }
        }
        clear();
    }

    // Pushes the entries in order, as push calls would, onto a heap that has room for them.
    void pushAll(const float* keys, const uint32_t* triangles, std::size_t count) {
        std::size_t n = size();
        keys_.resize(n + 1 + count);
        triangles_.resize(n + 1 + count);
        for (std::size_t i = 0; i < count; ++i) siftUp(++n, toBits(keys[i]), triangles[i]);
    }

private:
    // Fills the top's place from the heap of n + 1 entries at 1 to n + 1, leaving n at 1 to n.
    template <class Triangle> static void removeTop(uint32_t* k, Triangle* t, std::size_t n) {
        const uint32_t lastKey = k[n + 1];
        const Triangle lastTriangle = t[n + 1];
        if (n == 0) return;
        std::size_t hole = 1;
        while (2 * hole + 1 <= n) {
            const uint32_t left = k[2 * hole], right = k[2 * hole + 1];
            const bool leftBetter = left > right;
            const std::size_t better = 2 * hole + !leftBetter;
            k[hole] = leftBetter ? left : right;
            t[hole] = t[better];
            hole = better;
        }
        if (2 * hole == n) { // a left child only
            k[hole] = k[n];
            t[hole] = t[n];
            hole = n;
        }
        siftUp(k, t, hole, lastKey, lastTriangle);
    }

    static uint32_t toBits(float key) {
        uint32_t bits;
        std::memcpy(&bits, &key, sizeof bits);
        return bits;
    }
    static float toFloat(uint32_t bits) {
        float key;
        std::memcpy(&key, &bits, sizeof key);
        return key;
    }

    void siftUp(std::size_t hole, uint32_t key, uint32_t triangle) {
        siftUp(keys_.data(), triangles_.data(), hole, key, triangle);
    }
    template <class Triangle>
    static void siftUp(uint32_t* k, Triangle* t, std::size_t hole, uint32_t key,
                       Triangle triangle) {
        while (hole > 1 && key > k[hole / 2]) {
            k[hole] = k[hole / 2];
            t[hole] = t[hole / 2];
            hole /= 2;
        }
        k[hole] = key;
        t[hole] = triangle;
    }

    std::vector<uint32_t> keys_;
    std::vector<uint32_t> triangles_;
    std::vector<uint16_t> places_; // scratch of drainInto
};
