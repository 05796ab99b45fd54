#pragma once

#include <QList>
#include <QString>

// Pellow's thirteen sounds: the finish list (long, for the end of a countdown) followed by the
// short list (nudges and warnings).
namespace SoundCatalogue {

struct Sound
{
    QString name;  // "chime"; also the file name without ".wav"
    QString title; // "Chime"
};

const QList<Sound>& finishSounds();
const QList<Sound>& shortSounds();
// The finish list followed by the short list.
const QList<Sound>& allSounds();

} // namespace SoundCatalogue
