#pragma once
// The sample world's weather sounds, made by code: wind and rain from
// filtered noise, wing beats from a short pattern of whooshes. Each is a
// seamless loop, since the client plays them over and over.

#include <filesystem>

// Writes "sounds/wind2.wav", "sounds/rain2.wav" (16-bit mono PCM) and
// "sounds/wingflap2.mp3" below the world folder.
void WriteSounds(const std::filesystem::path& root);
