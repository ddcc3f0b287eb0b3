// A small generic hash table with separate chaining. Items are fixed-size records copied
// into the table; the descriptor is plain data that callers keep and pass around.
#pragma once

#include <cstddef>
#include <cstdint>

using HashFunction = int (*)(const void* key, int key_length, int bucket_count);
using HashDuplicate = void (*)(void* destination, const void* source, int item_size);
using HashFree = void (*)(void* item);
using HashCompare = int (*)(const void* item, const void* key, int key_length);   // 0: equal

struct HashBucket {
    std::int32_t count;
    std::int32_t capacity;
    void** items;
};

struct HashTable {
    std::int32_t bucket_count;
    int key_length;
    int item_size;
    HashBucket* buckets;
    HashFunction hash;
    HashDuplicate duplicate;
    HashFree free_item;
    HashCompare compare;
};

// The default hash: the classic shift-and-fold over the key's bytes, then folded into
// the bucket range. A length below 1 gives bucket 0.
int hash_bytes(const void* key, int key_length, int bucket_count);

// Fills the descriptor; null callbacks take the defaults (hash_bytes, byte copy, free,
// byte comparison). Without memory the descriptor is empty (bucket count 0).
void hash_create(HashTable* table, int bucket_count, int key_length, int item_size,
                 HashFunction hash, HashDuplicate duplicate, HashFree free_item, HashCompare compare);
// Adds a copy of the item (no check for an equal key); 0 on success, -1 without memory.
int hash_insert(HashTable* table, const void* item);
// 1 and a copy in `item` (owned by the caller) when the key is present, else 0.
int hash_lookup(const HashTable* table, const void* key, void* item);
// 1 when an item with the key was removed, else 0.
int hash_remove(HashTable* table, const void* key);
// Calls the callback with every item, bucket by bucket, in insertion order within a bucket.
void hash_for_each(const HashTable* table, void (*callback)(void* item, void* context), void* context);
// Frees every item, every item array and the bucket array.
void hash_destroy(HashTable* table);
