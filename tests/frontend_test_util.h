// In-process tests of the front end: the engine's state reset, output and
// log captured in memory, words fed through the interpreter from memory, and
// files written in a temporary directory of their own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "settings/settings.h"

class engine_state_test : public ::testing::Test {
   protected:
    void SetUp() override {
        old_directory_ = std::filesystem::current_path();
        char name[] = "/tmp/orvane-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        directory_ = name;
        std::filesystem::current_path(directory_);
        reset_engine_state();
        output_ = ::open_memstream(&output_text_, &output_size_);
        log_ = ::open_memstream(&log_text_, &log_size_);
        output_stream = output_;
        log_file = log_;
    }
    void TearDown() override {
        output_stream = stdout;
        log_file = nullptr;
        input_stream = stdin;
        std::fclose(output_);
        std::fclose(log_);
        std::free(output_text_);
        std::free(log_text_);
        std::filesystem::current_path(old_directory_);
        std::filesystem::remove_all(directory_);
    }

    // Runs the words of text through the interpreter, as the main loop does
    // with standard input (without its "quit" test).
    void run(const std::string& text) {
        input_text_ = text;
        FILE* input = ::fmemopen(input_text_.data(), input_text_.size(), "r");
        ASSERT_NE(input, nullptr);
        input_stream = input;
        while (read_word(input, word_buffer)) interpret_word(word_buffer);
        input_stream = stdin;
        std::fclose(input);
    }

    std::string output() {
        std::fflush(output_);
        return std::string(output_text_, output_size_);
    }
    std::string log() {
        std::fflush(log_);
        return std::string(log_text_, log_size_);
    }

    std::filesystem::path directory_;

   private:
    std::filesystem::path old_directory_;
    std::string input_text_;
    FILE* output_ = nullptr;
    FILE* log_ = nullptr;
    char* output_text_ = nullptr;
    size_t output_size_ = 0;
    char* log_text_ = nullptr;
    size_t log_size_ = 0;
};

// A stream over a copy of text (not empty), for the readers.
struct text_stream {
    std::string text;
    FILE* file;
    explicit text_stream(std::string t) : text(std::move(t)) { file = ::fmemopen(text.data(), text.size(), "r"); }
    ~text_stream() { std::fclose(file); }
};
