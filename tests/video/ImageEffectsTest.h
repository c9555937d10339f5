#pragma once

#include <QObject>

// The pixel routines and the frame composer on synthetic pictures.
class ImageEffectsTest : public QObject {
    Q_OBJECT
private slots:
    void mirrorInPlace_matchesMirroredImage_data();
    void mirrorInPlace_matchesMirroredImage();
    void copyInto_copiesOrMirrors_data();
    void copyInto_copiesOrMirrors();
    void blendKeyed_constantAlpha_data();
    void blendKeyed_constantAlpha();
    void blendKeyed_keyColourNeverCovers();
    void blendKeyed_clipsAtEdges_data();
    void blendKeyed_clipsAtEdges();
    void compose_zoomStretchesToSize_data();
    void compose_zoomStretchesToSize();
    void compose_flipMirrorsFrameButNotTimeTextOrModel();
    void compose_magentaModelPixelsLeaveVideo();
    void compose_drawingsHookRunsLastOnComposedPicture();

    void keyTolerance_zeroKeysExactMagentaOnly();
    void keyTolerance_keysNearMagentaNotOtherColours_data();
    void keyTolerance_keysNearMagentaNotOtherColours();
    void keyTolerance_reachesComposerFromModelOverlay();

    void nearestFrameAt_picksNearestTime_data();
    void nearestFrameAt_picksNearestTime();
};
