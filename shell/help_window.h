#pragma once
// An empty window with its caption; its content arrives with its own feature.

#include <QDialog>

class Tfmhtml : public QDialog {
public:
  Tfmhtml();
};
