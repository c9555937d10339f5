#pragma once

#include <QObject>

// Native video pixels to the zoomed, mirrored picture and back, and shapes
// and the grid drawn through that mapping.
class ViewTransformTest : public QObject {
    Q_OBJECT
private slots:
    void identity_mapsEveryPointToItself_data();
    void identity_mapsEveryPointToItself();
    void toPicture_handWorked_data();
    void toPicture_handWorked();
    void toNative_picksThePixelTheStretchShows_data();
    void toNative_picksThePixelTheStretchShows();
    void drawShapeFigure_identityIsThePlainFigure_data();
    void drawShapeFigure_identityIsThePlainFigure();
    void drawShapeFigure_zoomedLineLiesOnMappedPixels_data();
    void drawShapeFigure_zoomedLineLiesOnMappedPixels();
    void shapeOnPicture_scalesAndMirrorsParallelOffset();
    void grid_identityIsThePlainGrid();
    void grid_zoomedCellsFollowTheVideo();
};
