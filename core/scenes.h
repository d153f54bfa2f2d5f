// scenes.h - the eight scenes of the running order, called by their bits.
//
// One table in scenes.cpp names every scene once: its instance, its bit of
// SceneMask, its step in start-up's construction order and whether shutdown
// releases it. Everything below follows from that table: start-up constructs
// the scenes in step order with a loading step after each but the last; a
// frame updates, then renders, the ones whose bit is set, in table order; a
// saved engine state holds every scene's state() hook; shutdown releases the
// ones marked so, in step order. There is no scene base class.
#pragma once

#include <cstdint>

// Bits of SceneMask; exactly one is set in every frame.
enum SceneBit : int32_t {
    kSceneParticleField = 0x02,  // with the environment-mapped mesh over it
    kSceneGreetsCube = 0x04,
    kSceneLogoOverlay = 0x10,
    kSceneFlare = 0x20,
    kSceneCredits = 0x40,
    kSceneFlower = 0x80,
    kSceneTitle = 0x100,
    kSceneNoise = 0x200,    // drawn by the Timeline itself
    kSceneEnd = INT32_MIN,  // 0x80000000: nothing drawn, the frame loop stops
};

class TitleScene;
class EnvMeshScene;
class FlowerScene;
class GreetsCubeScene;
class ParticleFieldScene;
class LogoOverlayScene;
class FlareScene;
class CreditsScene;
class StateCopy;

// One instance of each scene, null until constructed.
inline TitleScene* gTitleScene = nullptr;
inline EnvMeshScene* gEnvMeshScene = nullptr;
inline FlowerScene* gFlowerScene = nullptr;
inline GreetsCubeScene* gGreetsCubeScene = nullptr;
inline ParticleFieldScene* gParticleFieldScene = nullptr;
inline LogoOverlayScene* gLogoOverlayScene = nullptr;
inline FlareScene* gFlareScene = nullptr;
inline CreditsScene* gCreditsScene = nullptr;

// Constructs every scene, calling progress() after each but the last.
void constructScenes(void (*progress)());
// The update pass, then the render pass, of the scenes whose bit is in mask.
// A scene whose bit is set but that was never built (a test that drives the
// Timeline alone) is skipped.
void updateScenes(int32_t mask, int elapsedMs);
void renderScenes(int32_t mask);
// Every constructed scene's state, in table order.
void copySceneStates(StateCopy& s);
// Releases the scenes that do not live to the end of the process.
void destroyScenes();
