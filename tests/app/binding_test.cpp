// Handlers are bound with the signature text their binding takes; any other
// text is refused when bound, never discovered when the item is chosen.
#include <gtest/gtest.h>

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/exceptions.h"

TEST(HandlerBinding, RefusesAnotherSignatureText) {
  fw::Application app;
  auto handler = [] { return false; };
  EXPECT_NO_THROW(app.AddMenuHandler("FileClose", fw::Delegate{handler, "(  ) as Boolean"}));
  for (const char* wrong : {"( ) as Boolean", "(  )", "(  ) As Boolean", ""})
    EXPECT_THROW(app.AddMenuHandler("ToolsAddImages", fw::Delegate{handler, wrong}), fw::RuntimeException) << wrong;
  EXPECT_EQ(app.MenuHandler("ToolsAddImages"), nullptr);

  fw::PushButton button;
  EXPECT_THROW(button.InstallEventHandler("Action", fw::Delegate{handler, "(  ) as Boolean"}), fw::RuntimeException);
  EXPECT_THROW(button.InstallEventHandler("Click", fw::Delegate{handler, "(  )"}), fw::RuntimeException);
  EXPECT_NO_THROW(button.InstallEventHandler("Action", fw::Delegate{handler, "(  )"}));
}
