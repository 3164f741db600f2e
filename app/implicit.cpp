#include "app/implicit.h"

#include <memory>

#include "addimages/add_images_window.h"
#include "app/app_object.h"
#include "app/menu_bar1.h"
#include "framework/window.h"
#include "mapconv/main_window.h"

namespace app::implicit {

namespace {
std::unique_ptr<app::MenuBar1> g_implicitInstance;
}

app::App* App() { return dynamic_cast<app::App*>(fw::GetAppObject()); }

app::MenuBar1* MenuBar1() {
  if (!g_implicitInstance) {
    auto bar = std::make_unique<app::MenuBar1>();
    bar->Constructor();
    g_implicitInstance = std::move(bar);
  }
  return g_implicitInstance.get();
}

void ReleaseMenuBar1() { g_implicitInstance.reset(); }

mapconv::Main* Main() { return fw::ImplicitWindow<mapconv::Main>("Main.Main"); }

addimages::AddImages* AddImages() { return fw::ImplicitWindow<addimages::AddImages>("AddImages.AddImages"); }

}  // namespace app::implicit
