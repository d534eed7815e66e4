#pragma once

#include <exception>

#include "AudioFile.h"

// Abandons the output of a job that ends by an exception, so that no unfinished file
// takes the output's name. An output closed before the exception is kept.
class AbandonOnFailure {
public:
    explicit AbandonOnFailure(AudioFile& output) : output_(output), exceptions_(std::uncaught_exceptions()) {}
    ~AbandonOnFailure() {
        if (std::uncaught_exceptions() > exceptions_)
            output_.abandon();
    }
    AbandonOnFailure(const AbandonOnFailure&) = delete;
    AbandonOnFailure& operator=(const AbandonOnFailure&) = delete;

private:
    AudioFile& output_;
    int exceptions_;
};
