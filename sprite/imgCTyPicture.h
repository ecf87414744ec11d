// The step the picture loaders share: a decoded graphics-core picture taken into an image.
#pragma once

namespace talvo::g {
class ImageRow;
}

class imgCTy;

// Gives the image the picture's size and kind (its palette is dropped) and copies the pixel bytes.
// A picture whose format number means other pixels here than in the graphics core is refused
// (posted at level 4) and the image stays as it was; so does a row image whose block the library's
// hooks refuse (posted as -2). That block is asked for while the old pixels live, so keeping them
// needs room for both: hooks that cap the bytes held refuse a picture that would fit once the old
// block goes.
void imgTakePicture(imgCTy& image, talvo::g::ImageRow& picture);
