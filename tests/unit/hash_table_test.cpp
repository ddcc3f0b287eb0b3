// The chained hash table: bucket arithmetic, duplicates, bucket growth and shrinkage in
// steps of ten, iteration order and ownership of items (AddressSanitizer reports leaks).
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/hash_table.h"

namespace {

// An item keyed by its first 8 bytes that owns a heap string.
struct Item {
    char key[8];
    char* value;
};

char* copy_text(const char* text) {
    const size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

void item_duplicate(void* destination, const void* source, int) {
    const Item* from = static_cast<const Item*>(source);
    Item* to = static_cast<Item*>(destination);
    std::memcpy(to->key, from->key, sizeof to->key);
    to->value = from->value ? copy_text(from->value) : nullptr;
}

void item_free(void* item) {
    std::free(static_cast<Item*>(item)->value);
    std::free(item);
}

Item make_item(const char* key, const char* value) {
    Item item{};
    std::strncpy(item.key, key, sizeof item.key - 1);
    item.value = const_cast<char*>(value);
    return item;
}

std::string key_bytes(const char* key) {
    char padded[8] = {};
    std::strncpy(padded, key, sizeof padded - 1);
    return std::string(padded, sizeof padded);
}

int first_byte_hash(const void* key, int, int bucket_count) {
    return static_cast<const unsigned char*>(key)[0] % bucket_count;
}

void collect(void* item, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(static_cast<Item*>(item)->value);
}

class OwningTable : public ::testing::Test {
protected:
    void SetUp() override { hash_create(&table, 5, 8, sizeof(Item), first_byte_hash, item_duplicate, item_free, nullptr); }
    void TearDown() override { hash_destroy(&table); }

    void insert(const char* key, const char* value) {
        const Item item = make_item(key, value);
        ASSERT_EQ(hash_insert(&table, &item), 0);
    }
    std::string lookup(const char* key) {
        Item found{};
        if (hash_lookup(&table, key_bytes(key).data(), &found) != 1) return "<absent>";
        std::string value = found.value;
        std::free(found.value);   // the caller owns what lookup copied out
        return value;
    }
    int remove(const char* key) { return hash_remove(&table, key_bytes(key).data()); }

    HashTable table{};
};

}  // namespace

TEST(HashBytes, BucketArithmetic) {
    const unsigned char a = 65;
    EXPECT_EQ(hash_bytes(&a, 1, 101), 65);
    // "AB": h = 65 * 16 + 66 = 1106; ((1106 / 101) ^ 1106) % 101 = (10 ^ 1106) % 101 = 1112 % 101.
    EXPECT_EQ(hash_bytes("AB", 2, 101), 1112 % 101);
    EXPECT_EQ(hash_bytes("AB", 0, 101), 0);
    // High bits fold back in: the result always lies inside the table.
    const std::string long_key(200, '\xff');
    const int bucket = hash_bytes(long_key.data(), static_cast<int>(long_key.size()), 7);
    EXPECT_GE(bucket, 0);
    EXPECT_LT(bucket, 7);
}

TEST_F(OwningTable, InsertLookupRemoveAndDuplicates) {
    insert("alpha", "one");
    insert("beta", "two");
    insert("alpha", "three");   // kept beside the first
    EXPECT_EQ(lookup("alpha"), "one");
    EXPECT_EQ(lookup("beta"), "two");
    EXPECT_EQ(lookup("gamma"), "<absent>");
    EXPECT_EQ(remove("alpha"), 1);
    EXPECT_EQ(lookup("alpha"), "three");
    EXPECT_EQ(remove("alpha"), 1);
    EXPECT_EQ(remove("alpha"), 0);
    EXPECT_EQ(lookup("alpha"), "<absent>");
    // The table copied the value: changing the caller's text changes nothing stored.
    char text[] = "four";
    insert("delta", text);
    text[0] = 'X';
    EXPECT_EQ(lookup("delta"), "four");
}

TEST_F(OwningTable, BucketGrowsAndShrinksInStepsOfTen) {
    // Keys starting with 'a' all land in one bucket.
    const HashBucket& bucket = table.buckets[first_byte_hash("a", 1, 5)];
    std::vector<std::string> keys;
    for (int i = 0; i < 11; ++i) keys.push_back("a" + std::to_string(i));
    for (const std::string& k : keys) insert(k.c_str(), k.c_str());
    EXPECT_EQ(bucket.count, 11);
    EXPECT_EQ(bucket.capacity, 20);
    EXPECT_EQ(remove("a0"), 1);
    EXPECT_EQ(bucket.capacity, 10);
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(remove(keys[static_cast<size_t>(i)].c_str()), 1);
        EXPECT_EQ(bucket.capacity, 10);
    }
    EXPECT_EQ(lookup("a10"), "a10");
    EXPECT_EQ(remove("a10"), 1);
    EXPECT_EQ(bucket.count, 0);
    EXPECT_EQ(bucket.capacity, 0);
    EXPECT_EQ(bucket.items, nullptr);
    insert("a1", "again");   // an emptied bucket is usable again
    EXPECT_EQ(lookup("a1"), "again");
}

TEST_F(OwningTable, ForEachGoesBucketByBucketInInsertionOrder) {
    // Buckets by first byte % 5: 'f' (102) -> 2, 'a' (97) -> 2, 'c' (99) -> 4, 'd' (100) -> 0.
    insert("f1", "f1");
    insert("c1", "c1");
    insert("a1", "a1");
    insert("d1", "d1");
    insert("f2", "f2");
    std::vector<std::string> seen;
    hash_for_each(&table, collect, &seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"d1", "f1", "a1", "f2", "c1"}));
}

TEST(HashTableDefaults, PlainRecordsWithDefaultCallbacks) {
    struct Pair {
        int key;
        int value;
    };
    HashTable table{};
    hash_create(&table, 101, sizeof(int), sizeof(Pair), nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(table.bucket_count, 101);
    for (int i = 0; i < 300; ++i) {
        const Pair pair{i, i * i};
        ASSERT_EQ(hash_insert(&table, &pair), 0);
    }
    for (int i = 0; i < 300; i += 7) {
        Pair found{-1, -1};
        ASSERT_EQ(hash_lookup(&table, &i, &found), 1);
        EXPECT_EQ(found.value, i * i);
    }
    const int missing = 1000;
    Pair untouched{-1, -1};
    EXPECT_EQ(hash_lookup(&table, &missing, &untouched), 0);
    EXPECT_EQ(untouched.value, -1);
    // Destroy frees every item and array; the leak checker fails the test otherwise.
    hash_destroy(&table);
}
