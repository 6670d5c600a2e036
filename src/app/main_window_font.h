// The windows' font: a proportional Japanese Gothic at 12 pixels.
#pragma once

#include <QFont>

// IPAPGothic when installed, else any installed Japanese Gothic, else the
// application default at 12 pixels.
QFont MainWindowFont();
