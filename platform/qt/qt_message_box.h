// Message boxes: one OK button, the given caption. UI thread only.
#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// A box with an owner is modal to it. A box without owner leaves the main window usable: it runs
// its own event loop until closed, and is modal only when another modal window is already up
// (so it is not hidden behind that one).
void showMessageBox(const QString& text, const QString& caption, QWidget* owner);

// The box itself, not yet shown; deleted when closed.
QMessageBox* makeMessageBox(const QString& text, const QString& caption, QWidget* owner);
