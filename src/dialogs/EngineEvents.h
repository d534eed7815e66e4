#pragma once

// The engine's players raise their events on a thread of their own; the windows take
// them on the thread of the application object. Called once at start, before any
// player is made (the application does it, and so do the windows' tests).
void routeEngineEventsToTheWindows();
// Undoes it, when the application object goes.
void stopRoutingEngineEvents();
