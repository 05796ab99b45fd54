#pragma once

#include <QString>

// Starts playing a sound file without waiting for it to end; sounds may overlap.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& filePath) = 0;
};
