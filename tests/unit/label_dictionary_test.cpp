// The dictionary keeps first-appearance order and finds every label.
#include "reader/sizing/label_dictionary.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>
#include <vector>

namespace {

TEST(LabelDictionary, KeepsOrderOfFirstAppearance) {
  quarnel::label_dictionary dictionary;
  ASSERT_TRUE(quarnel::label_dictionary_create(&dictionary));
  EXPECT_EQ(dictionary.labels.room(), 16);
  for (std::int32_t label : {5, 3, 5, 9}) quarnel::label_dictionary_find_or_add(&dictionary, label);
  EXPECT_EQ(std::vector<std::int32_t>(dictionary.labels.data(), dictionary.labels.data() + dictionary.label_count),
            (std::vector<std::int32_t>{5, 3, 9}));
  EXPECT_EQ(quarnel::label_dictionary_find(dictionary, 9), 2);
  EXPECT_EQ(quarnel::label_dictionary_find(dictionary, 4), 3);  // absent: label_count
}

TEST(LabelDictionary, DoublesItsRoomAndFindsManyLabels) {
  quarnel::label_dictionary dictionary;
  ASSERT_TRUE(quarnel::label_dictionary_create(&dictionary));
  for (std::int32_t label = 0; label < 16; ++label)
    quarnel::label_dictionary_find_or_add(&dictionary, label * 7);
  EXPECT_EQ(dictionary.labels.room(), 16);
  quarnel::label_dictionary_find_or_add(&dictionary, -1);
  EXPECT_EQ(dictionary.labels.room(), 32);

  // Random labels with repeats, against a reference map.
  ASSERT_TRUE(quarnel::label_dictionary_create(&dictionary));
  std::mt19937 random(3);
  std::unordered_map<std::int32_t, std::int64_t> reference;
  std::vector<std::int32_t> order;
  for (int i = 0; i < 300000; ++i) {
    std::int32_t label = static_cast<std::int32_t>(random() % 200000) * (i % 3 == 0 ? -4096 : 1);
    auto [it, inserted] = reference.emplace(label, static_cast<std::int64_t>(order.size()));
    if (inserted) order.push_back(label);
    ASSERT_EQ(quarnel::label_dictionary_find_or_add(&dictionary, label), it->second);
  }
  ASSERT_EQ(dictionary.label_count, static_cast<std::int64_t>(order.size()));
  for (std::size_t i = 0; i < order.size(); ++i) {
    ASSERT_EQ(dictionary.labels[i], order[i]);
    ASSERT_EQ(quarnel::label_dictionary_find(dictionary, order[i]), static_cast<std::int64_t>(i));
  }
  EXPECT_EQ(quarnel::label_dictionary_find(dictionary, INT32_MAX), dictionary.label_count);
}

}  // namespace
