// Key-colour compositing of the dial layers.
//
// Every dial layer (background, frame, numeral ring, generated numerals)
// marks its transparent area by painting it in one exact colour, its key
// colour. When the maker composites, a picture's key colour is the colour of
// its top-left pixel (0, 0). These operations carry that marking through
// scaling, recolouring and stacking.
//
// Colours are 0x00BBGGRR; the top byte plays no part. Equality is exact byte
// equality of blue, green and red. Every operation first sets the pictures
// it is given to 24 bits per pixel and works in place. An empty picture is
// left as it is (there is no pixel (0, 0) to read a key colour from).
#pragma once

#include "imaging/bitmap.h"

namespace maker {

// Colour of pixel (0, 0); 0 for an empty picture. Sets 24 bits first.
imaging::Colour KeyColourOf(imaging::Bitmap& P);

// Moves every pixel equal to C off it by one step of its blue byte: up when
// the byte is below 128, down otherwise. Afterwards no pixel equals C.
void NudgeKeyColour(imaging::Bitmap& P, imaging::Colour C);

// Repaints the transparent area: every pixel equal to the colour pixel (0, 0)
// had before the call becomes C.
void ReplaceKeyColour(imaging::Bitmap& P, imaging::Colour C);

// Turns P into the mask of colour C: white where a pixel equals C, black
// everywhere else.
void MakeKeyMask(imaging::Bitmap& P, imaging::Colour C);

// Paints C into T wherever the mask pixel at the same place is pure white.
// Only the part of T that the mask covers is looked at.
void ApplyKeyMask(imaging::Bitmap& T, imaging::Bitmap& M, imaging::Colour C);

// Lays B over A with B's key colour transparent. The result is as wide as the
// wider and as high as the higher of the two, both centred (an odd extra
// pixel on the right or bottom); the border round a smaller picture shows its
// key colour, and pixel (0, 0) of the result keeps A's key colour. B is only
// set to 24 bits. An empty B leaves A as it is; an empty A takes B's size and
// B's key colour as its ground.
void CompositeTransparent(imaging::Bitmap& A, imaging::Bitmap& B);

// Gives P the key colour C: NudgeKeyColour(P, C), then ReplaceKeyColour(P, C).
// Afterwards the pixels equal to C are exactly the former key-coloured ones.
void Rekey(imaging::Bitmap& P, imaging::Colour C);

}  // namespace maker
