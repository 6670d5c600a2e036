#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include "app/globals.h"
#include "app/idle_loop.h"
#include "app/main_window_font.h"
#include "app/main_window_metrics.h"
#include "app/panel_access.h"
#include "interaction/camera.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/device_setup.h"
#include "render/my_2dobj.h"
#include "render/my_xobj.h"
#include "render/render_panel.h"
#include "render/shared_resources.h"
#include "scene/motion_object.h"

namespace {

constexpr int kPanelWidth = 640;
constexpr int kPanelHeight = 480;
constexpr int kStatusBarHeight = 19;
constexpr std::array<int, viewer_ui::kStatusPanelCount> kStatusPanelWidths = {80, 50, 50, 80, 50};

MainWindowMetrics Form1Metrics() {
  if (!Form1) return {};
  const QRect outer = Form1->frameGeometry();
  const int menuHeight = Form1->menuBar() ? Form1->menuBar()->height() : 0;
  return {outer.left(), outer.top(), outer.height(), Form1->height() - menuHeight};
}

}  // namespace

TForm1::TForm1() {
  Form1 = this;
  BuildComponents();
  application::SetOnIdle([this](bool& done) { ApplicationIdle(done); });
  CreateGlobalObjects();
}

TForm1::~TForm1() {
  application::SetOnIdle(nullptr);
  viewer_ui::SetListener(nullptr);
  SetMainWindowMetricsSource(nullptr);
  RegisterPanel1(nullptr);
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::BuildComponents() {
  setWindowTitle(QStringLiteral("Orvalo Viewer 1.1"));
  setFont(MainWindowFont());
  // Single border, no system buttons: the window can't be resized or closed
  // except through File > Close (window managers that ignore hints may differ).
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* client = new QWidget(this);
  client->setFixedSize(kPanelWidth, kPanelHeight);
  Panel1 = new RenderPanel(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, kPanelWidth, kPanelHeight);
  RegisterPanel1(Panel1);
  BuildDebugPanel(client);
  setCentralWidget(client);

  BuildMenu();
  BuildStatusBar();

  Timer1 = new QTimer(this);
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  Timer1->start();

  Init = new QAction(QStringLiteral("Init"), this);
  UnInit = new QAction(QStringLiteral("UnInit"), this);
  UpdateStatus = new QAction(QStringLiteral("UpdateStatus"), this);
  connect(Init, &QAction::triggered, this, &TForm1::InitExecute);
  connect(UnInit, &QAction::triggered, this, &TForm1::UnInitExecute);
  connect(UpdateStatus, &QAction::triggered, this, &TForm1::UpdateStatusExecute);

  viewer_ui::SetListener(this);
  SetMainWindowMetricsSource(&Form1Metrics);
  move(197, 117);
  setFixedSize(kPanelWidth, menuBar()->sizeHint().height() + kPanelHeight + kStatusBarHeight);
}

void TForm1::BuildDebugPanel(QWidget* parent) {
  Panel2 = new QFrame(parent);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameShape(QFrame::StyledPanel);
  Panel2->setAutoFillBackground(true);
  Panel2->setGeometry(8, 312, 457, 161);
  auto makeLabel = [this](int top) {
    auto* label = new QLabel(Panel2);
    label->setGeometry(8, top, 440, 14);
    return label;
  };
  Label1 = makeLabel(5);
  Label2 = makeLabel(21);
  Label3 = makeLabel(40);
  Memo1 = new QPlainTextEdit(Panel2);
  Memo1->setGeometry(8, 56, 425, 81);
  Memo1->setReadOnly(true);
  Panel2->setVisible(viewer_ui::Panel2Visible());
  Panel2->raise();
}

void TForm1::BuildMenu() {
  QMenuBar* MainMenu1 = menuBar();
  FileMenu = MainMenu1->addMenu(QStringLiteral("File"));
  FileClose = FileMenu->addAction(QStringLiteral("Close"));
  FileClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(FileClose, &QAction::triggered, this, &TForm1::FileCloseClick);
  OptionMenu = MainMenu1->addMenu(QStringLiteral("Option"));
  DemoMenu = MainMenu1->addAction(QStringLiteral("Demo"));
  BackMenu = MainMenu1->addAction(QStringLiteral("Back"));
  HelpMenu = MainMenu1->addAction(QStringLiteral("Help"));
}

void TForm1::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusBarHeight);
  for (int i = 0; i < viewer_ui::kStatusPanelCount; ++i) {
    auto* panel = new QLabel(bar);
    panel->setFixedWidth(kStatusPanelWidths[i]);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setText(QString::fromUtf8(viewer_ui::StatusText(i)));
    bar->addWidget(panel);
    StatusBar1Panels[i] = panel;
  }
}

void TForm1::CreateGlobalObjects() {
  mosaicSprite = new My2DOBJ;
  cursorSprite = new My2DOBJ;
  logoSprite = new My2DOBJ;
  for (int i = 0; i < 5; ++i) {
    buttonSprites[i] = new My2DOBJ;
    buttonSprites[5 + i] = new My2DOBJ;
  }
  backgroundMesh = new MyXOBJ;
  modelMesh = new MyXOBJ;
  pointMarkerMesh = new MyXOBJ;
  centerMarkerMesh = new MyXOBJ;
  for (int i = 0; i < viewerState.motionCount && i < kMotionTableSize; ++i) {
    motionTable[i] = new MyMotionOBJ;
  }
}

void TForm1::FormCreate() {
  InitExecute();
  viewerState.running = true;
  UpdateStatusExecute();
  fpsTimeMark = timeGetTime() - 10;
}

void TForm1::InitExecute() {
  if (CreateD3DDevice()) InitResources();
}

void TForm1::FormShow() {
  if (!FileExists("develop.txt")) {
    OptionMenu->setEnabled(false);
    OptionMenu->menuAction()->setVisible(false);
  }
}

void TForm1::UnInitExecute() {
  viewerState.running = false;
  FreeResources();
  ReleaseD3DDevice();
  released_ = true;
}

void TForm1::UpdateStatusExecute() {
  std::string flags;
  if (viewerState.computeNormals) flags += "N:";
  if (viewerState.animate) flags += "M:";
  viewer_ui::SetStatusText(1, flags);
}

void TForm1::FileCloseClick() {
  UnInitExecute();
  close();
}

void TForm1::ApplicationIdle(bool& done) { ::ApplicationIdle(done); }

void TForm1::Timer1Timer() { ::Timer1Timer(); }

void TForm1::FormMouseWheelDown() { ::FormMouseWheelDown(); }

void TForm1::FormMouseWheelUp() { ::FormMouseWheelUp(); }

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Closing through the window manager releases everything too, once.
  if (!released_) UnInitExecute();
  event->accept();
}

void TForm1::wheelEvent(QWheelEvent* event) {
  // One zoom step per notch (120 units), however finely the device reports.
  constexpr int kNotch = 120;
  wheelRemainder_ += event->angleDelta().y();
  while (wheelRemainder_ >= kNotch) {
    wheelRemainder_ -= kNotch;
    FormMouseWheelUp();
  }
  while (wheelRemainder_ <= -kNotch) {
    wheelRemainder_ += kNotch;
    FormMouseWheelDown();
  }
}

void TForm1::MemoLineAppended(const std::string& line) {
  Memo1->appendPlainText(QString::fromUtf8(line));
}

void TForm1::MemoCleared() { Memo1->clear(); }

void TForm1::StatusTextChanged(int panel, const std::string& text) {
  StatusBar1Panels[panel]->setText(QString::fromUtf8(text));
}

void TForm1::LabelCaptionChanged(int label, const std::string& text) {
  QLabel* labels[] = {Label1, Label2, Label3};
  labels[label - 1]->setText(QString::fromUtf8(text));
}

void TForm1::Panel2VisibilityChanged(bool visible) { Panel2->setVisible(visible); }
