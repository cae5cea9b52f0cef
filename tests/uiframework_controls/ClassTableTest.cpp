// The builder's class table knows the basic controls by element name,
// ignoring case.
#include <gtest/gtest.h>

#include "uiframework/controls/ControlUI.h"
#include "uiframework/markup/ControlClassTable.h"

#include <memory>

namespace {

using namespace SkinUI;

TEST(ControlClassTable, BasicControlsByElementName) {
  const struct {
    const wchar_t* element;
    const wchar_t* className;
  } rows[] = {{L"Label", L"Label"},   {L"label", L"Label"},   {L"Text", L"Text"},       {L"Button", L"Button"},
              {L"BUTTON", L"Button"}, {L"Option", L"Option"}, {L"CheckBox", L"CheckBox"}};
  for (const auto& row : rows) {
    CControlUI* control = CreateControlByClass(row.element);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->GetClass(), row.className);
    control->Delete();
  }
  EXPECT_EQ(CreateControlByClass(L"ContainerEx"), nullptr);
}

}  // namespace
