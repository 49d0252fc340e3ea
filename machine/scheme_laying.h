// How Windows' schemes of an image and of a profile are laid over the base image's, in a scheme
// store: what the simulated machine starts with.
#pragma once

#include <vector>

#include "machine/windows_schemes.h"
#include "platform/emulation/powercfg/scheme_store.h"

namespace presetra::machine {

// Each listed scheme's settings over the scheme the store has, or over a copy of Balanced (as
// -duplicatescheme makes one) for a scheme it lacks.
void LaySchemes(powercfg::SchemeStore& store, const std::vector<WindowsScheme>& listed);

// The image's schemes in place of the store's, its active scheme made active. An image read
// for the tool has them laid already for both roles (PrepareImage): then they are only copied.
void LayImage(powercfg::SchemeStore& store, const WindowsImage& image);

// Lays the image's schemes once for each platform role, for every machine laid over it.
void PrepareImage(WindowsImage& image);

}  // namespace presetra::machine
