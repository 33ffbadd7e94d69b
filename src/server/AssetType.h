#pragma once

#include <string>

// The kind of an asset by its file name: 1 image, 2 video, 3 audio, 0 anything else.
int assetTypeForName(const std::string &name);
// The MIME type served when the asset is downloaded.
const char *mimeTypeForName(const std::string &name);
