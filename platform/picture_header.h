// The pixel size of a picture file read from its header, without decoding it.
#pragma once

// JPEG, PNG, GIF and BMP. False when the file cannot be read, is none of these
// or its header is cut short or malformed; width and height are then 0.
bool ReadPictureSize(const char* path, int* width, int* height);
