#pragma once
// The images window: it holds the world's map pictures (the elevation, the
// static-object map and the three intermediate maps), which the client core
// reads cell by cell, and the aerial map as the map panel shows it. It is
// never shown.

#include <QDialog>
#include <QImage>
#include <string>

#include "platform/picture/picture.h"

class Tfmimages : public QDialog {
public:
  Tfmimages();

  // The stored map pictures of a program folder ("maps\static.bmp",
  // "maps\intermediate1.bmp" to "maps\intermediate3.bmp"); a picture the
  // folder lacks stays empty. The elevation picture comes from the height
  // source at start-up.
  void LoadStoredPictures(const std::string& programFolder);

  Picture imaerial;  // north up
  Picture imelevation;
  Picture imstaticobjects;
  Picture imintermediateobjects;
  Picture imintermediateobjects2;
  Picture imintermediateobjects3;
};

// A picture of ours as Qt's (8-bit through its palette, 24- and 32-bit).
QImage ToQImage(const Bitmap& bitmap);
