// The main window Form1: render panel, status bar, hidden debug panel, the
// 100 ms timer, the action list and the main menu.
#pragma once

#include <QMainWindow>
#include <array>

#include "app/viewer_ui.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;
class RenderPanel;

class TForm1 : public QMainWindow, public viewer_ui::Listener {
  Q_OBJECT

 public:
  // Builds the components, installs the idle handler and creates the empty
  // global objects; sets Form1 first, as the platform does.
  TForm1();
  ~TForm1() override;

  void FormCreate();
  void FormShow();
  void InitExecute();
  void UnInitExecute();
  void UpdateStatusExecute();
  void FileCloseClick();
  void ApplicationIdle(bool& done);
  void Timer1Timer();
  void FormMouseWheelDown();
  void FormMouseWheelUp();

  RenderPanel* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  std::array<QLabel*, viewer_ui::kStatusPanelCount> StatusBar1Panels{};
  QTimer* Timer1 = nullptr;
  QMenu* FileMenu = nullptr;
  QAction* FileClose = nullptr;
  QMenu* OptionMenu = nullptr;
  QAction* DemoMenu = nullptr;
  QAction* BackMenu = nullptr;
  QAction* HelpMenu = nullptr;
  QAction* Init = nullptr;
  QAction* UnInit = nullptr;
  QAction* UpdateStatus = nullptr;

  // viewer_ui::Listener
  void MemoLineAppended(const std::string& line) override;
  void MemoCleared() override;
  void StatusTextChanged(int panel, const std::string& text) override;
  void LabelCaptionChanged(int label, const std::string& text) override;
  void Panel2VisibilityChanged(bool visible) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void BuildComponents();
  void BuildMenu();
  void BuildStatusBar();
  void BuildDebugPanel(QWidget* parent);
  void CreateGlobalObjects();

  bool shown_ = false;
  bool released_ = false;
  int wheelRemainder_ = 0;
};
