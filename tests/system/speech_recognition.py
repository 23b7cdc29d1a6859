# SPDX-License-Identifier: GPL-3.0-or-later
"""Hearing what the clips say: pocketsphinx as a listener who does not know the rate in advance.

The recognizer (Debian `pocketsphinx pocketsphinx-en-us`) is independent of the voice that made the clips.
It listens under a grammar of exactly the words the clips can say, in any order and number, which gives it
what a trader's ear has: it knows the words, not which of them come. Word error is the edit distance
(substitutions + insertions + deletions) between the words expected and the words heard, over the number
of words expected.

The words of each clip come from assets/clips/speech_sentences.txt, the table the clips are made from.
"""

import os
import re
import shutil
import subprocess
import tempfile
import wave

import numpy

MODEL_DIR = "/usr/share/pocketsphinx/model/en-us"
RECOGNIZER_RATE = 16000
# Silence around every utterance, as a listener has before and after it.
PADDING_SECONDS = 0.4
# Words the clips say as a trader does, with the dictionary word whose pronunciation that is.
SAID_AS = {"aussie": "ozzie"}

SENTENCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "clips",
                         "speech_sentences.txt")


def clip_words(table=SENTENCES):
    """{clip name: [word, ...]} for every spoken clip: the braced words of its sentences, lower case."""
    words = {}
    with open(table) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            name, sentences = line.rstrip("\n").split("\t")
            braced = re.findall(r"\{([^}]*)\}", sentences)
            words[name] = [re.sub(r"[^a-z]", "", w.lower()) for part in braced for w in part.split()]
    return words


def words_of_clips(clips, words):
    """The words a chain of clips says; a clip that has no file (the "m" past a short rate) says none."""
    return [w for clip in clips for w in words.get(clip, [])]


def edits(expected, heard):
    """Substitutions + insertions + deletions turning `expected` into `heard`."""
    return sum(1 for e, h in align(expected, heard) if e != h)


def align(expected, heard):
    """A least-edit alignment as (expected word or None, heard word or None) pairs, in order."""
    n, m = len(expected), len(heard)
    cost = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n + 1):
        cost[i][0] = i
    for j in range(m + 1):
        cost[0][j] = j
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            cost[i][j] = min(cost[i - 1][j] + 1, cost[i][j - 1] + 1,
                             cost[i - 1][j - 1] + (expected[i - 1] != heard[j - 1]))
    pairs = []
    i, j = n, m
    while i or j:
        if i and j and cost[i][j] == cost[i - 1][j - 1] + (expected[i - 1] != heard[j - 1]):
            pairs.append((expected[i - 1], heard[j - 1]))
            i, j = i - 1, j - 1
        elif i and cost[i][j] == cost[i - 1][j] + 1:
            pairs.append((expected[i - 1], None))
            i -= 1
        else:
            pairs.append((None, heard[j - 1]))
            j -= 1
    return pairs[::-1]


def read_wav(path):
    """(mono samples in [-1, 1], sample rate) of a 16-bit WAV file."""
    with wave.open(path) as f:
        rate, channels, frames = f.getframerate(), f.getnchannels(), f.getnframes()
        if f.getsampwidth() != 2:
            raise ValueError(f"{path}: not 16-bit")
        samples = numpy.frombuffer(f.readframes(frames), dtype="<i2").astype(numpy.float64) / 32768.0
    if channels > 1:
        samples = samples.reshape(-1, channels).mean(axis=1)
    return samples, rate


def write_wav(path, samples, rate):
    data = (numpy.clip(samples, -1.0, 1.0) * 32767).astype("<i2")
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(data.tobytes())


class ClipSounds:
    """The clips of one sound directory as samples at 48 kHz, read once; a missing clip is silence of no
    length, as the program skips it."""

    RATE = 48000

    def __init__(self, sound_dir):
        self.dir = sound_dir
        self._samples = {}

    def __getitem__(self, clip):
        if clip not in self._samples:
            path = os.path.join(self.dir, clip + ".wav")
            samples = numpy.zeros(0)
            if os.path.exists(path):
                samples, rate = read_wav(path)
                if rate != self.RATE:
                    raise ValueError(f"{path}: {rate} Hz, not {self.RATE}")
            self._samples[clip] = samples
        return self._samples[clip]

    def chained(self, clips):
        """The clips one after another with nothing between them, as the chain plays them."""
        return numpy.concatenate([self[clip] for clip in clips] or [numpy.zeros(0)])

    def seconds(self, clips):
        return sum(len(self[clip]) for clip in clips) / self.RATE


# Clips heard alone: every pair name and the three spoken phrases.
ALONE_PHRASES = ["dqhj", "yours", "setprice"]


def alone_clips(words):
    return [name for name in words if len(name) == 6] + ALONE_PHRASES


def misheard_alone(alone, heard, words):
    """[(clip, heard words)] of the clips not heard as exactly their words."""
    return [(clip, said) for clip, said in zip(alone, heard) if said != words[clip]]


def missing_tools():
    """What is missing to run the recognizer, as a message, or None."""
    if not shutil.which("pocketsphinx_batch"):
        return "pocketsphinx_batch is missing (Debian package pocketsphinx)"
    if not os.path.exists(os.path.join(MODEL_DIR, "cmudict-en-us.dict")):
        return f"{MODEL_DIR} is missing (Debian package pocketsphinx-en-us)"
    if not shutil.which("sox"):
        return "sox is missing (Debian package sox)"
    return None


class Recognizer:
    """pocketsphinx under a grammar of `vocabulary`; transcribes many utterances in one run."""

    def __init__(self, vocabulary, work_dir=None):
        self.vocabulary = sorted(set(vocabulary))
        self.dir = work_dir or tempfile.mkdtemp(prefix="vantrel-hear-")
        self._own_dir = work_dir is None
        self._write_dictionary()
        with open(self._path("words.jsgf"), "w") as f:
            f.write("#JSGF V1.0;\ngrammar words;\npublic <said> = <word>+;\n")
            f.write("<word> = " + " | ".join(self.vocabulary) + ";\n")

    def _path(self, name):
        return os.path.join(self.dir, name)

    def _write_dictionary(self):
        wanted = {word: [word] + ([SAID_AS[word]] if word in SAID_AS else []) for word in self.vocabulary}
        sources = {source for sources in wanted.values() for source in sources}
        pronunciations = {}
        with open(os.path.join(MODEL_DIR, "cmudict-en-us.dict")) as f:
            for line in f:
                entry, *phones = line.split()
                word = entry.split("(")[0]
                if word in sources:
                    pronunciations.setdefault(word, []).append(" ".join(phones))
        with open(self._path("words.dict"), "w") as f:
            for word, sources in wanted.items():
                said = [p for source in sources for p in pronunciations.get(source, [])]
                if not said:
                    raise ValueError(f"the recognizer's dictionary has no word {word!r}")
                for k, phones in enumerate(said):
                    f.write(f"{word if k == 0 else f'{word}({k + 1})'} {phones}\n")

    def transcribe(self, utterances):
        """[(samples, rate), ...] -> [[word, ...], ...], one list of heard words per utterance."""
        names = []
        for k, (samples, rate) in enumerate(utterances):
            name = f"u{k:04d}"
            source = self._path(name + ".source.wav")
            write_wav(source, samples, rate)
            subprocess.run(["sox", "-D", source, "-r", str(RECOGNIZER_RATE), "-c", "1", "-b", "16",
                            self._path(name + ".wav"), "pad", str(PADDING_SECONDS), str(PADDING_SECONDS)],
                           check=True)
            os.remove(source)
            names.append(name)
        with open(self._path("utterances.ctl"), "w") as f:
            f.write("".join(name + "\n" for name in names))
        hypotheses = self._path("heard.hyp")
        subprocess.run(["pocketsphinx_batch", "-ctl", self._path("utterances.ctl"), "-cepdir", self.dir,
                        "-cepext", ".wav", "-adcin", "yes", "-adchdr", "44",
                        "-hmm", os.path.join(MODEL_DIR, "en-us"), "-dict", self._path("words.dict"),
                        "-jsgf", self._path("words.jsgf"), "-hyp", hypotheses,
                        "-logfn", self._path("pocketsphinx.log")], check=True)
        heard = {}
        with open(hypotheses) as f:
            for line in f:
                text, _, tail = line.rstrip("\n").rpartition(" (")
                heard[tail.split()[0]] = [word.split("(")[0] for word in text.split()]
        return [heard.get(name, []) for name in names]

    def close(self):
        if self._own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)
