#pragma once

#include <QList>

class QWidget;

// The controls under `root` in the order a reader meets them: each layout walked as it
// stands (a box from its first item to its last, a grid row by row, left to right), a
// group finished before the next begins, and a tab widget followed by its pages in turn.
QList<QWidget*> readingOrder(QWidget* root);

// Makes the Tab key move through the controls in that order.
void setReadingTabOrder(QWidget* root);
