// Hash table with separate chaining: each bucket is a growable array of pointers to
// items, grown and shrunk in steps of ten.
#include "command/hash_table.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kCapacityStep = 10;

void default_duplicate(void* destination, const void* source, int item_size) {
    std::memcpy(destination, source, static_cast<size_t>(item_size));
}

void default_free(void* item) { std::free(item); }

int default_compare(const void* item, const void* key, int key_length) {
    return std::memcmp(item, key, static_cast<size_t>(key_length));
}

HashBucket* bucket_of(const HashTable* table, const void* key) {
    if (table->bucket_count <= 0 || !table->buckets) return nullptr;
    int index = table->hash(key, table->key_length, table->bucket_count);
    if (index < 0 || index >= table->bucket_count) index = 0;
    return &table->buckets[index];
}

int find_in(const HashTable* table, const HashBucket* bucket, const void* key) {
    for (int i = 0; i < bucket->count; ++i)
        if (table->compare(bucket->items[i], key, table->key_length) == 0) return i;
    return -1;
}

}  // namespace

int hash_bytes(const void* key, int key_length, int bucket_count) {
    if (key_length < 1 || bucket_count < 1) return 0;
    const auto* bytes = static_cast<const unsigned char*>(key);
    std::uint32_t h = 0;
    for (int i = 0; i < key_length; ++i) {
        h = (h << 4) + bytes[i];
        const std::uint32_t g = h & 0xF0000000u;
        if (g != 0) h = h ^ (g >> 24) ^ g;
    }
    const auto size = static_cast<std::uint32_t>(bucket_count);
    return static_cast<int>(((h / size) ^ h) % size);
}

void hash_create(HashTable* table, int bucket_count, int key_length, int item_size,
                 HashFunction hash, HashDuplicate duplicate, HashFree free_item, HashCompare compare) {
    table->hash = hash ? hash : hash_bytes;
    table->duplicate = duplicate ? duplicate : default_duplicate;
    table->free_item = free_item ? free_item : default_free;
    table->compare = compare ? compare : default_compare;
    table->buckets = bucket_count > 0
                         ? static_cast<HashBucket*>(std::calloc(static_cast<size_t>(bucket_count), sizeof(HashBucket)))
                         : nullptr;
    if (!table->buckets) {
        table->bucket_count = 0;
        table->key_length = 0;
        table->item_size = 0;
        return;
    }
    table->bucket_count = bucket_count;
    table->key_length = key_length;
    table->item_size = item_size;
}

int hash_insert(HashTable* table, const void* item) {
    HashBucket* bucket = bucket_of(table, item);
    if (!bucket) return -1;
    if (bucket->count + 1 > bucket->capacity) {
        const int capacity = bucket->capacity + kCapacityStep;
        void* grown = std::realloc(bucket->items, static_cast<size_t>(capacity) * sizeof(void*));
        if (!grown) return -1;
        bucket->items = static_cast<void**>(grown);
        bucket->capacity = capacity;
    }
    void* copy = std::malloc(static_cast<size_t>(table->item_size > 0 ? table->item_size : 1));
    if (!copy) return -1;
    table->duplicate(copy, item, table->item_size);
    bucket->items[bucket->count++] = copy;
    return 0;
}

int hash_lookup(const HashTable* table, const void* key, void* item) {
    const HashBucket* bucket = bucket_of(table, key);
    if (!bucket) return 0;
    const int at = find_in(table, bucket, key);
    if (at < 0) return 0;
    table->duplicate(item, bucket->items[at], table->item_size);
    return 1;
}

int hash_remove(HashTable* table, const void* key) {
    HashBucket* bucket = bucket_of(table, key);
    if (!bucket) return 0;
    const int at = find_in(table, bucket, key);
    if (at < 0) return 0;
    table->free_item(bucket->items[at]);
    std::memmove(&bucket->items[at], &bucket->items[at + 1],
                 static_cast<size_t>(bucket->count - at - 1) * sizeof(void*));
    bucket->count -= 1;
    if (bucket->count <= bucket->capacity - kCapacityStep) {
        bucket->capacity -= kCapacityStep;
        if (bucket->capacity == 0) {
            std::free(bucket->items);
            bucket->items = nullptr;
        } else {
            void* shrunk = std::realloc(bucket->items, static_cast<size_t>(bucket->capacity) * sizeof(void*));
            if (shrunk) bucket->items = static_cast<void**>(shrunk);
        }
    }
    return 1;
}

void hash_for_each(const HashTable* table, void (*callback)(void* item, void* context), void* context) {
    for (int b = 0; b < table->bucket_count; ++b) {
        const HashBucket& bucket = table->buckets[b];
        for (int i = 0; i < bucket.count; ++i) callback(bucket.items[i], context);
    }
}

void hash_destroy(HashTable* table) {
    if (!table->buckets) return;
    for (int b = 0; b < table->bucket_count; ++b) {
        HashBucket& bucket = table->buckets[b];
        for (int i = 0; i < bucket.count; ++i) table->free_item(bucket.items[i]);
        std::free(bucket.items);
    }
    std::free(table->buckets);
    table->buckets = nullptr;
    table->bucket_count = 0;
}
