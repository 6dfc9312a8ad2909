#pragma once
// World data names its files the way they were written on a case-insensitive
// file system with "\" separators ("textures\Grass.JPG"). This is the one
// place that turns such a name into the path of a file that exists here.

#include <optional>
#include <string>
#include <string_view>

// The name with every "\" turned into "/"; nothing else changes.
std::string NormalizeSeparators(std::string_view path);

// The path of the existing file or folder that the name means: the name as it
// stands (separators normalized) when that exists, else the first entry of
// each folder that matches the component without regard to ASCII case.
// Empty when no such file exists.
std::optional<std::string> FindExistingPath(std::string_view path);

// FindExistingPath, or the normalized name when nothing matches, so that the
// caller's open fails with a message naming the file it was asked for.
std::string ResolvePath(std::string_view path);
