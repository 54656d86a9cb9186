// A parent's photos in place of the built-in pictures: photo n (by name) takes
// picture n's place in both sizes, once what it becomes is in the cache. New
// photos are made on worker threads while the game plays; the built-in
// picture shows until its photo is ready and the picture is not on screen.
//
// A picture's "finished" mark and its pieces at home belong to what the
// picture shows: when a place changes hands (a new or changed photo, a photo
// removed, the built-in picture back), both are cleared, so a new photo starts
// unsolved. The cache's "places" file remembers which photo held each place.
#pragma once

#include <string>

// Photos that take the built-in pictures' places, at most.
const int PHOTO_PLACES = 5;
// Worker threads that make new photos (the machines we aim at have two cores).
const int PHOTO_WORKERS = 2;

// How far the photos are, for tests and benchmarks.
struct PhotoProgress {
    int usable = 0;    // photos with a place, made or reused
    int shown = 0;     // of those, laid over their picture's archives
    int made = 0;      // made in this run (not reused from the cache)
    int skipped = 0;   // files that could not be used
    bool settled = false;  // every photo that could take a place is decided
};

// Lists the folder, reuses what the cache holds for unchanged photos and
// starts the workers on the others. Nothing happens for a missing or empty
// folder, or when there is no cache folder.
void startPhotoPictures(const std::string &photoFolder, const std::string &cacheFolder);
// Between frames: prints the lines of photos decided since, gives ready
// photos their places when the pictures' archives are not in use and clears
// the marks of places that changed hands.
void updatePhotoPictures();
// Where the photos are.
PhotoProgress photoProgress();
// Stops the workers after the photo each is making and forgets every place;
// the archives keep the overlays already laid.
void stopPhotoPictures();
