// A Windows program's TEXT resources, compiled into its module by the resource compiler, are
// what FindResourceData gives and what the side-file switches write: byte for byte the table
// the Linux build carries (the same generator made both from resources/).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/resources.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

std::span<const uint8_t> TableEntry(uint32_t id, std::string_view type) {
  for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    const EmbeddedResource& r = kEmbeddedResources[i];
    if (r.id == id && type == r.type) return {r.data, r.size};
  }
  return {};
}

bool InThisModule(const void* address) {
  HMODULE owner = nullptr;
  return GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             static_cast<LPCWSTR>(address), &owner) &&
         owner == GetModuleHandleW(nullptr);
}

struct TextCase {
  const char* name;
  uint32_t id;
  std::size_t minimumSize;
};

class ModuleTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ModuleTextTest, ComesFromTheModulesResourcesWithTheTablesBytes) {
  const TextCase& c = GetParam();
  const auto table = TableEntry(c.id, kTextResourceType);
  ASSERT_GE(table.size(), c.minimumSize);
  const auto found = FindResourceData(c.id, kTextResourceType);
  ASSERT_TRUE(found.has_value());
  // Not the table's copy: the resource section's.
  EXPECT_NE(found->data(), table.data());
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(c.id), L"TEXT");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(found->data(), LockResource(LoadResource(nullptr, info)));
  EXPECT_TRUE(InThisModule(found->data()));
  EXPECT_EQ(std::string(found->begin(), found->end()), std::string(table.begin(), table.end()));
}

TEST_P(ModuleTextTest, IsWrittenOutByteForByte) {
  const TextCase& c = GetParam();
  TempDir dir;
  ASSERT_TRUE(WriteResourceToFile(c.id, kTextResourceType, dir / "out.txt"));
  const auto table = TableEntry(c.id, kTextResourceType);
  EXPECT_EQ(dir.Read("out.txt"), std::string(table.begin(), table.end()));
}

INSTANTIATE_TEST_SUITE_P(Texts, ModuleTextTest,
                         ::testing::Values(
                             // The default configuration: UTF-16LE with its byte-order mark.
                             TextCase{"DefaultConfiguration", kDefaultConfigResourceId, 13502},
                             TextCase{"ReleaseNote", kReleaseNoteResourceId, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ModuleResourceTest, WhatTheModuleLacksComesFromTheTable) {
  // This test program's module carries no icon resource: the table's is found.
  const auto icon = FindResourceData(kIconResourceId, kIconResourceType);
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon->data(), TableEntry(kIconResourceId, kIconResourceType).data());
  EXPECT_FALSE(FindResourceData(999, kTextResourceType).has_value());
}

}  // namespace
}  // namespace kavrin::test
