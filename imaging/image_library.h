#pragma once
// Start of the image library: the registry gets the library's own loaders
// (BMP, JPEG, then the codec plug-in loader), and the picture layer gets the
// formats they read, so that code below the library (the engine's textures)
// opens these files through a plain picture. The program calls
// StartImageLibrary once before it loads pictures, then scans the program
// folder for codec plug-ins through ImageDLLLoader().ScanCodecDLLs.

class TBitmapLoaders;
class TImageDLLLoader;

void StartImageLibrary();
// The one codec plug-in loader, registered with the loader registry.
TImageDLLLoader& ImageDLLLoader();

// Used by the registry when it is first used.
void InstallLibraryLoaders(TBitmapLoaders& loaders);
