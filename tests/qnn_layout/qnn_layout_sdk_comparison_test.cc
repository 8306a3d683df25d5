// Our declarations of QNN's interface against an installed SDK's headers
// (-DVANTRO_QNN_SDK_ROOT): the facts of every group measured on both, entry
// by entry. Without an SDK both sides are our own headers, which keeps the
// comparison built and run everywhere.
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "layout_comparison.h"
#include "layout_table.h"

namespace qnn_layout {

void PrintTo(const Difference& difference, std::ostream* out) {
  *out << (difference.fails ? "failing: " : "allowed: ") << difference.text;
}

namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

TEST(QnnLayoutSdkComparison, OurDeclarationsHaveTheLayoutOfTheSdkHeaders) {
  const LayoutTable ours[] = {CoreOwnTable(), HtpOwnTable(), DspOwnTable(), GpuIrOwnTable(),
                              LpaiOwnTable()};
  const LayoutTable sdk[] = {CoreSdkTable(), HtpSdkTable(), DspSdkTable(), GpuIrSdkTable(),
                             LpaiSdkTable()};
  for (std::size_t group = 0; group < 5; ++group) {
    std::cout << ours[group].group << ": " << ours[group].size << " entries, "
              << ours[group].headers << " against " << sdk[group].headers << "\n";
    EXPECT_GT(ours[group].size, 0u);
    for (const Difference& difference : CompareLayoutTables(ours[group], sdk[group])) {
      if (difference.fails) {
        ADD_FAILURE() << difference.text;
      } else {
        std::cout << "allowed: " << difference.text << "\n";
      }
    }
  }
}

// Tables built by hand, one entry of each kind that the rules treat apart.
LayoutTable Table(const std::vector<Entry>& entries) {
  return {"core", "headers", entries.data(), entries.size()};
}

const Entry kTensorSize = {"Qnn_Tensor_t", "", Quantity::kSize, 144, nullptr};
const Entry kNameOffset = {"Qnn_Tensor_t", "v1.name", Quantity::kOffset, 16, nullptr};
const Entry kNameType = {"Qnn_Tensor_t", "v1.name", Quantity::kPublishedType, 1, "const char *"};
const Entry kProviderSize = {"QnnInterface_t", "", Quantity::kSize, 608, nullptr};
const Entry kTableSize = {"decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME)", "", Quantity::kSize,
                          568, nullptr};
const Entry kApiMinor = {"QNN_API_VERSION_MINOR", "", Quantity::kValue, 32, nullptr};
const Entry kDataType = {"QNN_DATATYPE_FLOAT_32", "", Quantity::kValue, 562, nullptr};

Entry With(Entry entry, long long value) {
  entry.value = value;
  return entry;
}

// Tables equal but for one entry, between entries that match.
std::vector<Difference> CompareWithOne(const Entry& ours, const Entry& sdk) {
  const Entry before = {"Qnn_Version_t", "", Quantity::kSize, 12, nullptr};
  const Entry after = {"Qnn_Version_t", "minor", Quantity::kOffset, 4, nullptr};
  const std::vector<Entry> our_entries = {before, ours, after};
  const std::vector<Entry> sdk_entries = {before, sdk, after};
  return CompareLayoutTables(Table(our_entries), Table(sdk_entries));
}

::testing::Matcher<Difference> Failing(const std::string& text) {
  return AllOf(Field(&Difference::text, text), Field(&Difference::fails, true));
}

::testing::Matcher<Difference> Allowed(const std::string& text) {
  return AllOf(Field(&Difference::text, text), Field(&Difference::fails, false));
}

TEST(QnnLayoutComparison, EqualTablesHaveNoDifference) {
  EXPECT_THAT(CompareWithOne(kNameOffset, kNameOffset), IsEmpty());
}

TEST(QnnLayoutComparison, AMovedFieldFailsWithBothOffsets) {
  EXPECT_THAT(CompareWithOne(kNameOffset, With(kNameOffset, 24)),
              ElementsAre(Failing("core: Qnn_Tensor_t.v1.name: offset: ours 16, SDK 24")));
}

TEST(QnnLayoutComparison, AnotherConstantValueFails) {
  EXPECT_THAT(CompareWithOne(kDataType, With(kDataType, 563)),
              ElementsAre(Failing("core: QNN_DATATYPE_FLOAT_32: value: ours 562, SDK 563")));
}

TEST(QnnLayoutComparison, AFieldTypeOtherThanThePublishedOneFailsNamingTheSide) {
  EXPECT_THAT(CompareWithOne(kNameType, With(kNameType, 0)),
              ElementsAre(Failing(
                  "core: Qnn_Tensor_t.v1.name: type: ours is `const char *`, the SDK's is not")));
  EXPECT_THAT(CompareWithOne(With(kNameType, 0), kNameType),
              ElementsAre(Failing(
                  "core: Qnn_Tensor_t.v1.name: type: the SDK's is `const char *`, ours is not")));
}

TEST(QnnLayoutComparison, OnlyTheVersionedTablesAndProviderRecordsMayBeLongerInTheSdk) {
  EXPECT_THAT(CompareWithOne(kProviderSize, With(kProviderSize, 680)),
              ElementsAre(Allowed("core: QnnInterface_t: size: ours 608, SDK 680 "
                                  "(a newer table, longer at its end)")));
  EXPECT_THAT(CompareWithOne(kTableSize, With(kTableSize, 640)),
              ElementsAre(Allowed("core: decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME): size: "
                                  "ours 568, SDK 640 (a newer table, longer at its end)")));
  EXPECT_THAT(CompareWithOne(kTableSize, With(kTableSize, 560)),
              ElementsAre(Failing("core: decltype(QnnInterface_t::QNN_INTERFACE_VER_NAME): size: "
                                  "ours 568, SDK 560")));
  EXPECT_THAT(CompareWithOne(kTensorSize, With(kTensorSize, 152)),
              ElementsAre(Failing("core: Qnn_Tensor_t: size: ours 144, SDK 152")));
}

TEST(QnnLayoutComparison, AnotherApiMinorVersionIsAllowed) {
  EXPECT_THAT(CompareWithOne(kApiMinor, With(kApiMinor, 41)),
              ElementsAre(Allowed(
                  "core: QNN_API_VERSION_MINOR: value: ours 32, SDK 41 (another API release)")));
}

TEST(QnnLayoutComparison, TablesOfOtherFactsFailOnEveryUnmatchedEntry) {
  const std::vector<Entry> ours = {kTensorSize, kNameOffset};
  const std::vector<Entry> sdk = {kTensorSize, kDataType};
  EXPECT_THAT(
      CompareLayoutTables(Table(ours), Table(sdk)),
      ElementsAre(Failing("core: Qnn_Tensor_t.v1.name: offset: missing from the SDK's table"),
                  Failing("core: QNN_DATATYPE_FLOAT_32: value: missing from our table")));
}

}  // namespace
}  // namespace qnn_layout
