// help.html, which Help opens from the working folder, and a develop.txt
// kept in its own folder: its presence in the working folder turns on the
// Option menu, so the sample does not put it there.
#include "tools/sample_output.h"
#include "tools/sample_scenes.h"

namespace sample {

namespace {

constexpr const char kHelpHtml[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Orvalo View 1.1 - Help</title>
<style>
body { font-family: sans-serif; max-width: 46em; margin: 2em auto; line-height: 1.45; color: #222; }
h1 { color: #2a3c78; }
h2 { border-bottom: 1px solid #ccd; padding-bottom: 0.2em; margin-top: 1.6em; }
table { border-collapse: collapse; }
td, th { border: 1px solid #ccd; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
code, kbd { background: #f0f2f8; padding: 0 0.25em; border-radius: 3px; }
</style>
</head>
<body>
<h1>Orvalo View 1.1</h1>
<p>Orvalo View shows an animated character in front of a background. The character
moves by blending between key poses; grab one of its control points to choose what it
does next and how fast.</p>

<h2>Mouse</h2>
<table>
<tr><th>Action</th><th>Effect</th></tr>
<tr><td>Left drag</td><td>Orbit the camera around the look-at point (up and down is limited to straight above or below).</td></tr>
<tr><td>Right drag</td><td>Pan: move the look-at point sideways and up or down. Hold <kbd>Shift</kbd> to keep it still.</td></tr>
<tr><td>Middle drag</td><td>Zoom in and out.</td></tr>
<tr><td>Wheel</td><td>Zoom in steps; the distance stays between 1 and 10.</td></tr>
<tr><td>Hover a control point</td><td>A ring marks the point on the head or on a hand when the pointer is near it.</td></tr>
<tr><td>Press on a marked point and move</td><td>Hold that point: the next motions come from its column of the motion array, and moving the mouse quickly speeds the animation up. Fast motion fades in the face overlay. Release to let go; the speed then settles back.</td></tr>
</table>

<h2>Keys</h2>
<table>
<tr><th>Key</th><th>Effect</th></tr>
<tr><td><kbd>F1</kbd> to <kbd>F5</kbd></td><td>Scene group 1 to 5: loads <code>dir10</code>, <code>dir20</code>, <code>dir30</code>, <code>dir40</code> or <code>dir50</code>.</td></tr>
<tr><td>Keypad <kbd>0</kbd> to <kbd>4</kbd></td><td>Variant 0 to 4 within the current group: with group 1, keypad 1 loads <code>dir11</code>.</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>Q</kbd></td><td>Close the viewer.</td></tr>
</table>
<p>Scenes switch when the key is released. A scene number without a folder shows
<code>Scene:NULL</code> in the status bar and keeps the current scene.</p>

<h2>Scene buttons</h2>
<p>Move the pointer to the right edge of the picture: a strip of five buttons,
<b>1</b> to <b>5</b>, appears, and the one under the pointer lights up. Pressing
button <i>n</i> loads variant <i>n</i>&nbsp;&minus;&nbsp;1 of the current group: in
group 1, button 1 is <code>dir10</code> and button 2 is <code>dir11</code>.</p>

<h2>Menus</h2>
<table>
<tr><th>Menu</th><th>Effect</th></tr>
<tr><td>File &gt; Close (<kbd>Ctrl</kbd>+<kbd>Q</kbd>)</td><td>Ends the program.</td></tr>
<tr><td>Demo</td><td>Demo mode on or off: the camera turns by itself, the logo is shown, and the scene groups 1 to 3 follow each other.</td></tr>
<tr><td>Back</td><td>Background on or off.</td></tr>
<tr><td>Help</td><td>Opens this page.</td></tr>
<tr><td>Option</td><td>Developer menu, only present in developer mode (below).</td></tr>
</table>
<p>The status bar shows the frame rate, the options (<code>N:</code> normals
blended, <code>M:</code> animation on), the speed and the scene number.</p>

<h2>Scene folders</h2>
<p>The viewer starts in scene 10 and reads everything relative to its working folder.
A scene <i>N</i> is the folder <code>dir</code><i>N</i>; it exists when it holds
<code>model.x</code>. This sample comes with <code>dir10</code>, <code>dir11</code>,
<code>dir20</code> and <code>dir30</code>.</p>
<table>
<tr><th>File</th><th>Content</th></tr>
<tr><td><code>model.x</code></td><td>The character (DirectX .x mesh). A material whose texture file is named <code>face.bmp</code> is the face and receives the overlay <code>sys\multi1.dds</code>.</td></tr>
<tr><td><code>bg.x</code></td><td>The background mesh.</td></tr>
<tr><td><code>0.vdt</code>, <code>1.vdt</code>, &hellip;</td><td>Key poses (motions): the model's vertex positions, three 32-bit floats per vertex, in the model's vertex order.</td></tr>
<tr><td><code>0.x</code>, <code>1.x</code>, &hellip;</td><td>Optional pose meshes: the model with its vertices moved, the source of the <code>.vdt</code> files.</td></tr>
<tr><td><code>env.ini</code></td><td>Section <code>[ENV]</code>: the four control points <code>CP0X</code> &hellip; <code>CP3Z</code> (point 0 carries the mosaic, points 1 to 3 can be grabbed), the look-at point <code>LX</code>, <code>LY</code>, <code>LZ</code> and the camera start <code>Pitch</code>, <code>Yaw</code>, <code>Dist</code>.</td></tr>
<tr><td><code>motion.txt</code></td><td>The motion table, one cell per line, 216 lines: 12 columns of 18 rows, column by column. Column 0 and row 0 are headers; columns 1 to 11 are the sequences 0 to 10 with their length, speed and up to 15 motion numbers.</td></tr>
<tr><td><code>marray.txt</code></td><td>The motion array, 24 lines: for each of 6 alternatives the sequence to play next while no point (first value) or point 1, 2 or 3 is held.</td></tr>
</table>
<p>The shared resources live in <code>sys</code>: the marker meshes <code>ctrl.x</code>
and <code>centerp.x</code>, the sprites <code>mozaik.dds</code>, <code>cursor2.dds</code>
and <code>logo.dds</code>, the buttons <code>1.dds</code> to <code>5.dds</code> and
<code>1h.dds</code> to <code>5h.dds</code>, and the face overlay <code>multi1.dds</code>.</p>

<h2>Developer mode</h2>
<p>When a file named <code>develop.txt</code> is in the working folder, the viewer
shows the <b>Option</b> menu. Its content does not matter. This sample keeps one in
the folder <code>developer</code>: copy <code>developer/develop.txt</code> next to
<code>help.html</code> and start the viewer again; delete it to hide the menu.</p>
<table>
<tr><th>Option item</th><th>Effect</th></tr>
<tr><td>Status (<kbd>F12</kbd>)</td><td>Shows or hides the panel with the camera read-out and the load log.</td></tr>
<tr><td>Debug (<kbd>Ctrl</kbd>+<kbd>D</kbd>)</td><td>Debug view with markers at the control points and the look-at point, and the environment window, which edits and saves <code>env.ini</code>, <code>motion.txt</code> and <code>marray.txt</code>.</td></tr>
<tr><td>RenderBack (<kbd>Ctrl</kbd>+<kbd>B</kbd>)</td><td>Background on or off.</td></tr>
<tr><td>ComputeNormals (<kbd>Ctrl</kbd>+<kbd>N</kbd>)</td><td>Blend the normals of the poses too.</td></tr>
<tr><td>Modify (<kbd>Ctrl</kbd>+<kbd>M</kbd>)</td><td>Animation on or off.</td></tr>
<tr><td>Demo (<kbd>F11</kbd>)</td><td>Demo mode, as the Demo menu.</td></tr>
<tr><td>WriteVertexInfo (<kbd>Ctrl</kbd>+<kbd>W</kbd>)</td><td>Writes <code>0.vdt</code> &hellip; <code>99.vdt</code> of the current scene from its pose meshes <code>0.x</code> &hellip; <code>99.x</code>.</td></tr>
<tr><td><kbd>Ctrl</kbd>+<kbd>L</kbd></td><td>Reloads the current scene from its files (no menu item).</td></tr>
</table>
</body>
</html>
)html";

constexpr const char kDevelopTxt[] =
    "Copy this file into the working folder (next to help.html) to enable the\r\n"
    "Option menu of Orvalo View. Remove it again to hide the menu.\r\n";

}  // namespace

void WriteHelp(const std::string& outDir) {
  WriteFile(outDir + "/help.html", std::string(kHelpHtml));
  MakeDirectory(outDir + "/developer");
  WriteFile(outDir + "/developer/develop.txt", std::string(kDevelopTxt));
}

}  // namespace sample
