// The texts the viewer shows in its main window: the log memo, the status-bar
// panels, the three read-out labels and the visibility of the debug panel.
// Kept here so that loaders and tools write them without a window; the main
// window mirrors every change into its widgets.
#pragma once

#include <string>
#include <vector>

namespace viewer_ui {

constexpr int kStatusPanelCount = 5;

class Listener {
 public:
  virtual ~Listener() = default;
  virtual void MemoLineAppended(const std::string& line) = 0;
  virtual void MemoCleared() = 0;
  virtual void StatusTextChanged(int panel, const std::string& text) = 0;
  virtual void LabelCaptionChanged(int label, const std::string& text) = 0;
  virtual void Panel2VisibilityChanged(bool visible) = 0;
};

// Texts are bytes as built (UTF-8 literals, paths as the system gives them).
void AppendMemoLine(const std::string& line);
void ClearMemo();
const std::vector<std::string>& MemoLines();

void SetStatusText(int panel, const std::string& text);
std::string StatusText(int panel);

// label: 1, 2 or 3 (Label1 .. Label3).
void SetLabelCaption(int label, const std::string& text);
std::string LabelCaption(int label);

void SetPanel2Visible(bool visible);
bool Panel2Visible();

// At most one listener (the main window); null detaches it.
void SetListener(Listener* listener);

// Empties every text and hides the panel, as at program start.
void Reset();

}  // namespace viewer_ui
