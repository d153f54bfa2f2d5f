// scenes.h - the eight scenes of the running order, called by their bits.
//
// Start-up constructs them in a fixed order with a loading step after each but
// the last; the Timeline updates, then renders, the ones whose bit is set, in
// the order greets cube, logo overlay, flare, credits, particle field with the
// environment-mapped mesh, flower, title. There is no scene base class.
#pragma once

#include <cstdint>

class EnvMeshScene;
class FlowerScene;
class GreetsCubeScene;

// The scene objects start-up creates; null until constructed.
extern EnvMeshScene* gEnvMeshScene;
extern FlowerScene* gFlowerScene;
extern GreetsCubeScene* gGreetsCubeScene;

// Constructs the scenes, title first, credits last, calling progress() after
// every one but the last (seven loading steps).
void constructScenes(void (*progress)());
void updateScenes(int32_t mask, int elapsedMs);
void renderScenes(int32_t mask);
// Releases the greets cube, particle field, logo overlay, flare and credits
// scenes, in that order; the other three live to the end of the process.
void destroyScenes();
