#include "app/viewer_ui.h"

#include <array>

namespace viewer_ui {
namespace {

struct Texts {
  std::vector<std::string> memo;
  std::array<std::string, kStatusPanelCount> status;
  std::array<std::string, 3> labels;
  bool panel2Visible = false;
  Listener* listener = nullptr;
};

Texts& texts() {
  static Texts instance;
  return instance;
}

bool ValidPanel(int panel) { return panel >= 0 && panel < kStatusPanelCount; }
bool ValidLabel(int label) { return label >= 1 && label <= 3; }

}  // namespace

void AppendMemoLine(const std::string& line) {
  texts().memo.push_back(line);
  if (texts().listener) texts().listener->MemoLineAppended(line);
}

void ClearMemo() {
  texts().memo.clear();
  if (texts().listener) texts().listener->MemoCleared();
}

const std::vector<std::string>& MemoLines() { return texts().memo; }

void SetStatusText(int panel, const std::string& text) {
  if (!ValidPanel(panel)) return;
  texts().status[panel] = text;
  if (texts().listener) texts().listener->StatusTextChanged(panel, text);
}

std::string StatusText(int panel) { return ValidPanel(panel) ? texts().status[panel] : ""; }

void SetLabelCaption(int label, const std::string& text) {
  if (!ValidLabel(label)) return;
  texts().labels[label - 1] = text;
  if (texts().listener) texts().listener->LabelCaptionChanged(label, text);
}

std::string LabelCaption(int label) { return ValidLabel(label) ? texts().labels[label - 1] : ""; }

void SetPanel2Visible(bool visible) {
  texts().panel2Visible = visible;
  if (texts().listener) texts().listener->Panel2VisibilityChanged(visible);
}

bool Panel2Visible() { return texts().panel2Visible; }

void SetListener(Listener* listener) { texts().listener = listener; }

void Reset() {
  Listener* listener = texts().listener;
  texts() = Texts{};
  texts().listener = listener;
}

}  // namespace viewer_ui
