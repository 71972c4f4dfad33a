// Tests of the variable table's name index (slots stay put and are found across its growth)
// and of label collection, which records label elements by class as they are added.
#include <gtest/gtest.h>

#include <string>

#include "lang/exec.h"
#include "runtime_fixture.h"

namespace {

std::string NameOf(int i) { return "@@else" + std::to_string(i); }

TEST(VariableNames, EveryNameKeepsItsSlotAsTheIndexGrows) {
    constexpr int kNames = 5000;  // several doublings of the index
    CVariables vars;
    for (int i = 0; i < kNames; ++i) ASSERT_EQ(vars.Resolve(NameOf(i).c_str()), i);
    for (int i = 0; i < kNames; ++i) {
        EXPECT_EQ(vars.FindSlot(NameOf(i).c_str()), i);
        EXPECT_EQ(vars.Resolve(NameOf(i).c_str()), i);
    }
    EXPECT_EQ(vars.SlotCount(), kNames);
    EXPECT_EQ(vars.FindSlot("@@else"), -1);
}

TEST(VariableNames, EmptyAndNullNamesShareOneSlotAndReservingChangesNoSlot) {
    CVariables vars;
    EXPECT_EQ(vars.FindSlot("$a"), -1);
    vars.Reserve(100);
    EXPECT_EQ(vars.Resolve("$a"), 0);
    EXPECT_EQ(vars.Resolve(""), 1);
    EXPECT_EQ(vars.Resolve(nullptr), 1);
    vars.Reserve(1000);
    EXPECT_EQ(vars.FindSlot("$a"), 0);
    EXPECT_EQ(vars.FindSlot(nullptr), 1);
}

// A label element of a class the known-class table does not name.
class OtherLabel : public PolizFuncLabelRead {
public:
    using PolizFuncLabelRead::PolizFuncLabelRead;
};

TEST_F(RuntimeTest, LabelsOfEveryClassAreCollectedWithTheirNumbers) {
    Add(new OtherLabel("@a")).Add(new PolizFuncLabelRead("@b"));
    Int(7).Add(new PolizFuncVarRead("$x")).Add(new OtherLabel("@c"));
    Run();
    EXPECT_EQ(Cells("@a"), std::vector<int>{1});
    EXPECT_EQ(Cells("@b"), std::vector<int>{2});
    EXPECT_EQ(Cells("@c"), std::vector<int>{5});
    EXPECT_EQ(Cells("$x"), std::vector<int>{7});
}

}  // namespace
