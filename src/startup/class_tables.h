// The tables of classes: which handler carries out an object's commands,
// which signals are wired to feedback at start-up, and what every widget
// knows. The only code that names every family of classes; the handlers it
// chooses are declared with the records they take.
#pragma once

#include "channel/channel.h"

// Connects the object's signals by the first row of the wiring table that
// its class matches.
void wire_object_signals(GObject *object, info *wiring);
