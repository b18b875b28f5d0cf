// Pins: the typed connection points through which components exchange notify operations.
//
// A component owns its pins. A source pin (output) keeps an ordered list of links to sink
// pins (inputs) and delivers every operation its owner sends to them synchronously, in the
// sending thread; a sink pin has at most one source and sends operations back upstream.
// The two ends of a link agree on a stream type (a GUID that is also the interface id of the
// receiving pin's typed stream interface) when the link is made.
//
// Locking: every pin has its own recursive lock (TPNObject) and names its owner component's
// lock as slave lock of its sections. A pin calls another pin with its own lock dropped and
// the other pin's destroy guard held (CallPeer, pins/PNPinsGuards.h); deliveries drop the
// sender's own and owner's locks and hold guards of the sender and of each pin they call
// into. A pin's destruction waits until no guard section of it is held, so a pin is never
// freed under a call running through it or into it. Every change of links holds the link
// lock. The order of all these locks is written once in docs/ARCHITECTURE.md ("Lock order");
// each function that takes, drops or calls out while holding a lock says which above it.
//
// Pins are not owned by reference counts: they answer QueryInterface for their stream
// interfaces, but AddRef and Release count nothing.
#pragma once

#include "pins/PNPinsDelivery.h"
#include "pins/PNPinsBase.h"
#include "pins/PNPinsSource.h"
#include "pins/PNPinsSink.h"
#include "pins/PNPinsLinkViews.h"
#include "pins/PNPinsNames.h"
#include "pins/PNPinsProcessLists.h"
