// An airway graph loaded from a text through a real file, with what the loader printed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Files.h"
#include "world/BronchiGraph.h"

struct TextGraph {
    std::unique_ptr<BronchiGraph> graph;
    std::string out, err;

    explicit TextGraph(const std::string& text) {
        const files::Scratch folder("graph");
        files::write(folder / "Bronchi.gra", text);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        graph = std::make_unique<BronchiGraph>((folder / "Bronchi.gra").c_str());
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
    }
    const BronchiGraph& operator*() const { return *graph; }
};
