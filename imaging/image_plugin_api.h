/* The interface of a codec plug-in library: a shared object in the program
 * folder whose file name matches "*.so" (the scan takes them sorted by name)
 * and that exports these five plain C functions. Pictures travel in one
 * container record, zero-filled by the host before each call.
 *
 * Flags: the low four bits give the number of colour planes; bit 0x10 says
 * the planes are stored one after another (planar); the value 3 exactly
 * means three interleaved planes blue, green, red. For an interleaved
 * picture BytesPerLine is the stride of a row of pixels (at least Width for
 * one plane, 3 × Width for Flags 3); for a planar one it is the stride of a
 * row of one plane (at least Width), each plane being BytesPerLine × Height
 * bytes. Data and Palette of a load stay the plug-in's until LibFreeImage.
 *
 * Result codes: 0 success; 2 the file cannot be opened; 3 bad picture data
 * (load) or encoding failure (save); 4 unsupported pixel format; 5 (save) the
 * file cannot be closed. */
#ifndef IMAGING_IMAGE_PLUGIN_API_H
#define IMAGING_IMAGE_PLUGIN_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TImageContainer {
  int32_t Width;
  int32_t Height;
  int32_t BytesPerLine;
  int32_t Flags;
  uint8_t* Data;        /* the pixels, row 0 (the top row) first */
  uint8_t* Palette;     /* 768 bytes, 256 x blue, green, red, or null */
  const char* Options;  /* the host's option text, zero-terminated */
} TImageContainer;

enum {
  IMAGE_PLUGIN_OK = 0,
  IMAGE_PLUGIN_CANNOT_OPEN = 2,
  IMAGE_PLUGIN_BAD_DATA = 3,
  IMAGE_PLUGIN_UNSUPPORTED_FORMAT = 4,
  IMAGE_PLUGIN_CANNOT_CLOSE = 5
};

#define IMAGE_PLANES_MASK 0x0F
#define IMAGE_PLANAR 0x10

#if defined(__GNUC__)
#define IMAGE_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define IMAGE_PLUGIN_EXPORT
#endif

typedef int32_t (*TLibLoadImage)(const char* fileName, const char* extension, TImageContainer* container);
typedef int32_t (*TLibSaveImage)(const char* fileName, const char* extension, TImageContainer* container);
typedef int32_t (*TLibFreeImage)(TImageContainer* container);
typedef const char* (*TLibGetFilter)(void);

IMAGE_PLUGIN_EXPORT int32_t LibLoadImage(const char* fileName, const char* extension,
                                         TImageContainer* container);
IMAGE_PLUGIN_EXPORT int32_t LibSaveImage(const char* fileName, const char* extension,
                                         TImageContainer* container);
IMAGE_PLUGIN_EXPORT int32_t LibFreeImage(TImageContainer* container);
/* File-dialog filters ("description|*.ext;*.ext|...") of what the library
 * reads and writes. */
IMAGE_PLUGIN_EXPORT const char* LibGetLoadFilter(void);
IMAGE_PLUGIN_EXPORT const char* LibGetSaveFilter(void);

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
#ifdef __cplusplus
#define IMAGE_PLUGIN_STATIC_ASSERT static_assert
#else
#define IMAGE_PLUGIN_STATIC_ASSERT _Static_assert
#endif
#include <stddef.h>
IMAGE_PLUGIN_STATIC_ASSERT(offsetof(TImageContainer, Flags) == 12, "container layout");
IMAGE_PLUGIN_STATIC_ASSERT(offsetof(TImageContainer, Data) == 16, "container layout");
IMAGE_PLUGIN_STATIC_ASSERT(sizeof(TImageContainer) == 16 + 3 * sizeof(void*), "container layout");
#endif

#endif
