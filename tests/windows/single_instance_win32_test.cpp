// One copy at a time on Windows: the named mutex "ZK742_USER". A second claim meets error
// 183 (ERROR_ALREADY_EXISTS) and ends that copy; once the holder is gone the name is free.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/single_instance.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

constexpr const char* kName = "ZK742_USER";

TEST(NamedMutexTest, ASecondClaimEndsWhileTheFirstHolds) {
  test::TempDir scope;
  auto first = MakeSingleInstance(scope.Path());
  ASSERT_EQ(first->Claim(kName), InstanceClaim::Acquired);
  EXPECT_EQ(first->Claim(kName), InstanceClaim::Acquired) << "claiming again is harmless";
  auto second = MakeSingleInstance(scope.Path());
  EXPECT_EQ(second->Claim(kName), InstanceClaim::HeldElsewhere);
  first.reset();
  EXPECT_EQ(second->Claim(kName), InstanceClaim::Acquired);
}

TEST(NamedMutexTest, TestScopesStayApart) {
  test::TempDir one;
  test::TempDir two;
  auto a = MakeSingleInstance(one.Path());
  auto b = MakeSingleInstance(two.Path());
  EXPECT_EQ(a->Claim(kName), InstanceClaim::Acquired);
  EXPECT_EQ(b->Claim(kName), InstanceClaim::Acquired);
}

TEST(NamedMutexTest, TheToolsClaimIsTheMutexOfThatName) {
  // Another copy of the tool, as the system sees it: a mutex named ZK742_USER.
  HANDLE other = CreateMutexW(nullptr, FALSE, L"ZK742_USER");
  ASSERT_NE(other, nullptr);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a tool is running";
  EXPECT_EQ(MakeSingleInstance()->Claim(kName), InstanceClaim::HeldElsewhere);
  CloseHandle(other);

  auto tool = MakeSingleInstance();
  ASSERT_EQ(tool->Claim(kName), InstanceClaim::Acquired);
  HANDLE probe = CreateMutexW(nullptr, FALSE, L"ZK742_USER");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));  // 183
  CloseHandle(probe);
}

}  // namespace
}  // namespace kavrin
