#include "framework/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "framework/dispatch.h"
#include "framework/exceptions.h"
#include "framework/menu.h"
#include "framework/recorder.h"

namespace fw {

namespace {
std::vector<Window*> g_windows;  // open windows, frontmost first
std::vector<Window*> g_closing;  // closed, waiting to be destroyed

void BringToFront(Window* w) {
  auto it = std::find(g_windows.begin(), g_windows.end(), w);
  if (it == g_windows.end()) return;
  g_windows.erase(it);
  g_windows.insert(g_windows.begin(), w);
  UpdateMenuEnabling();
}

uint64_t g_nextSerial = 1;

// A closed window is destroyed only once no handler runs (one of its own
// may be yielding), and never from inside the toolkit's close event.
void DestroyClosedLater() {
  QTimer::singleShot(0, [] {
    if (HandlerDepth() > 0) {
      AfterHandlers([] { DestroyClosedLater(); });
      return;
    }
    auto closing = std::move(g_closing);
    g_closing.clear();
    for (Window* w : closing) delete w;
  });
}

const char* const kWindowProperties[] = {
    "Placement", "Width",      "Height",         "MinWidth",    "MinHeight",     "MaxWidth",
    "MaxHeight", "Frame",      "Composite",      "HasBackColor", "BackColor",    "Title",
    "Visible",   "FullScreen", "MenuBarVisible", "CloseButton", "Resizeable",    "LiveResize",
    "MaximizeButton", "MinimizeButton", "BalloonHelp", "MacProcID"};
}  // namespace

// The toolkit window: a main window whose central widget is the content area.
class WindowHost : public QMainWindow {
 public:
  explicit WindowHost(Window* owner) : owner_(owner), content_(new Content(owner)) {
    setCentralWidget(content_);
  }
  QWidget* ContentArea() const { return content_; }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    owner_->Closed();
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::WindowActivate) BringToFront(owner_);
    return QMainWindow::event(e);
  }

 private:
  class Content : public QWidget {
   public:
    explicit Content(Window* owner) : owner_(owner) {}

   protected:
    void resizeEvent(QResizeEvent*) override { owner_->ArrangeControls(); }
    void dragEnterEvent(QDragEnterEvent* e) override {
      if (owner_->AcceptsDrops() && e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override {
      if (owner_->AcceptsDrops() && e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override {
      if (!owner_->AcceptsDrops() || !e->mimeData()->hasUrls()) return;
      // The drag data dies with the event: copy it, and handle the drop later.
      std::vector<FolderItemRef> items;
      for (const QUrl& url : e->mimeData()->urls())
        items.push_back(url.isLocalFile() ? FolderItem::FromPath(url.toLocalFile().toStdString()) : nullptr);
      e->acceptProposedAction();
      owner_->QueueDrop(std::move(items));
    }

   private:
    Window* owner_;
  };

  Window* owner_;
  Content* content_;
};

Window::Window() : serial_(g_nextSerial++), host_(std::make_unique<WindowHost>(this)) {}

Window::~Window() {
  controls_.clear();  // before the toolkit window that parents their widgets
  host_.reset();
}

QMainWindow* Window::Host() const { return host_.get(); }
QWidget* Window::Content() const { return host_->ContentArea(); }

void Window::SetMenuBar(MenuBar* bar) {
  menuBar_ = bar;
  if (bar) bar->Populate(host_->menuBar());
}

void Window::SetProperties(std::string_view list) {
  auto declared = [](std::string_view name) {
    return std::find(std::begin(kWindowProperties), std::end(kWindowProperties), name) != std::end(kWindowProperties);
  };
  QWidget* content = Content();
  int minW = 0, minH = 0, maxW = QWIDGETSIZE_MAX, maxH = QWIDGETSIZE_MAX;
  Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  bool closeButton = true, maximize = true, minimize = true, resizeable = true;
  for (const PropertyEntry& e : DecodePropertyList(list, declared)) {
    const std::string& n = e.name;
    if (n == "Width") designWidth_ = std::get<int32_t>(e.value);
    else if (n == "Height") designHeight_ = std::get<int32_t>(e.value);
    else if (n == "MinWidth") minW = std::get<int32_t>(e.value);
    else if (n == "MinHeight") minH = std::get<int32_t>(e.value);
    else if (n == "MaxWidth") maxW = std::get<int32_t>(e.value);
    else if (n == "MaxHeight") maxH = std::get<int32_t>(e.value);
    else if (n == "Title") host_->setWindowTitle(QString::fromStdString(std::get<std::string>(e.value)));
    else if (n == "Visible") visibleProperty_ = std::get<bool>(e.value);
    else if (n == "CloseButton") closeButton = std::get<bool>(e.value);
    else if (n == "MaximizeButton") maximize = std::get<bool>(e.value);
    else if (n == "MinimizeButton") minimize = std::get<bool>(e.value);
    else if (n == "Resizeable") resizeable = std::get<bool>(e.value);
  }
  if (closeButton) flags |= Qt::WindowCloseButtonHint;
  if (maximize && resizeable) flags |= Qt::WindowMaximizeButtonHint;
  if (minimize) flags |= Qt::WindowMinimizeButtonHint;
  host_->setWindowFlags(flags);
  if (!resizeable) minW = maxW = designWidth_, minH = maxH = designHeight_;
  // The sizes are those of the content area, below any menu bar.
  content->setFixedSize(designWidth_, designHeight_);
  host_->adjustSize();
  content->setMinimumSize(minW, minH);
  content->setMaximumSize(std::min(maxW, QWIDGETSIZE_MAX), std::min(maxH, QWIDGETSIZE_MAX));
}

void Window::AddControl(const std::string& name, std::unique_ptr<Control> control) {
  control->name_ = name;
  control->window_ = this;
  control->Widget()->setParent(Content());
  control->Widget()->setObjectName(QString::fromStdString(name));
  controls_.push_back(std::move(control));
}

Control* Window::ControlByName(std::string_view name) const {
  for (const auto& c : controls_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

void Window::SetControlProperties(Control* control, std::string_view list) {
  if (!control) throw NilObjectException("no control to take the properties");
  for (const PropertyEntry& e : DecodePropertyList(list, [control](std::string_view n) { return control->Declares(n); }))
    control->SetProperty(e);
  ArrangeControls();
}

std::vector<PlacedControl> Window::PlacedControls() const {
  std::vector<PlacedControl> placed;
  for (const auto& c : controls_) {
    const QSize least = c->Widget()->minimumSizeHint();
    placed.push_back({{c->Left(), c->Top(), c->DesignWidth(), c->DesignHeight()},
                      c->LockLeft(), c->LockTop(), c->LockRight(), c->LockBottom(),
                      std::min(least.width(), c->DesignWidth()), std::min(least.height(), c->DesignHeight())});
  }
  return placed;
}

void Window::ArrangeControls() {
  const int dx = Content()->width() - designWidth_;
  const int dy = Content()->height() - designHeight_;
  const std::vector<PlacedControl> placed = PlacedControls();
  for (size_t i = 0; i < placed.size(); ++i) {
    const Box b = PlaceControl(placed[i], dx, dy);
    controls_[i]->Widget()->setGeometry(b.x, b.y, b.width, b.height);
  }
}

void Window::FitMinimumToControls() {
  // The stored minimum may be too small for the controls: it grows until
  // none overlaps another or shrinks below its least size.
  QWidget* content = Content();
  const Box least = FittingMinimum(PlacedControls(), designWidth_, designHeight_,
                                   {0, 0, content->minimumWidth(), content->minimumHeight()});
  content->setMinimumSize(least.width, least.height);
}

void Window::AddMenuHandler(const std::string& itemName, Delegate handler) {
  RequireSignature(handler, "(  ) as Boolean", "the menu item \"" + itemName + "\"");
  Record("AddMenuHandler ", className_, " ", itemName);
  handlers_[itemName] = std::move(handler);
  UpdateMenuEnabling();
}

const Delegate* Window::MenuHandler(const std::string& itemName) const {
  auto it = handlers_.find(itemName);
  return it == handlers_.end() ? nullptr : &it->second;
}

void Window::AcceptFileDrop(const std::string&) {
  // Every file type is accepted; the program tests the names itself.
  acceptsDrops_ = true;
  Content()->setAcceptDrops(true);
}

void Window::Show() {
  if (!open_) return;
  host_->show();
  host_->raise();
  host_->activateWindow();
  BringToFront(this);
}

void Window::Refresh(bool) {
  // Draws what changed now, not the whole window: a full repaint after every
  // image cost a tenth of a small file's conversion. Rows laid out later are
  // drawn at the next yield that lets events through.
  if (host_->isVisible()) QCoreApplication::sendPostedEvents(host_.get(), QEvent::UpdateRequest);
}

void Window::Close() { host_->close(); }

int Window::Width() const { return Content()->width(); }
int Window::Height() const { return Content()->height(); }
std::string Window::Title() const { return host_->windowTitle().toStdString(); }

void Window::QueueDrop(std::vector<FolderItemRef> items) {
  PostAction([serial = serial_, items = std::move(items)]() mutable {
    Window* self = OpenWindowBySerial(serial);
    if (!self) return;  // closed meanwhile
    DragItem drag(std::move(items));
    self->Event_DropObject(drag, 0);
  });
}

void Window::Closed() {
  if (!open_) return;
  open_ = false;
  g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), this), g_windows.end());
  Record("CloseWindow ", className_);
  host_->hide();
  UpdateMenuEnabling();
  Dispatch([this] { Event_Close(); });
  g_closing.push_back(this);
  DestroyClosedLater();
}

void InitWindow(Window* window, const std::string& className) {
  Record("CreateWindow ", className);
  window->className_ = className;
  try {
    window->Layout();
    window->CreateControls();
    window->AddMenuHandlers(window);
  } catch (...) {
    delete window;  // a half-built window is never found again
    throw;
  }
  g_windows.insert(g_windows.begin(), window);
  // The tab order follows TabIndex.
  std::vector<Control*> order;
  for (const auto& c : window->controls_) order.push_back(c.get());
  std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->Widget(), order[i]->Widget());
  window->ArrangeControls();
  window->FitMinimumToControls();
  if (window->visibleProperty_) window->Show();
  window->Event_Open();
}

Window* GetImplicitWindow(const std::string& className) {
  for (Window* w : g_windows)
    if (w->ClassName() == className) return w;
  return nullptr;
}

Window* OpenWindowBySerial(uint64_t serial) {
  for (Window* w : g_windows)
    if (w->Serial() == serial) return w;
  return nullptr;
}

std::vector<Window*> OpenWindows() { return g_windows; }

Window* FrontWindow() {
  for (Window* w : g_windows)
    if (w->Host()->isVisible()) return w;
  return nullptr;
}

void CloseAllWindows() {
  auto windows = g_windows;
  for (Window* w : windows) {
    w->open_ = false;
    w->host_->hide();
  }
  g_windows.clear();
  for (Window* w : windows) delete w;
  auto closing = std::move(g_closing);
  g_closing.clear();
  for (Window* w : closing) delete w;
  UpdateMenuEnabling();
}

}  // namespace fw
