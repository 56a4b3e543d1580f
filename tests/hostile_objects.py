"""Objects that answer the module's conversions in ways Python allows and no well-behaved sequence
or number would: lengths that lie or change, items that change what they belong to, errors raised
from inside a conversion. Shared by the reproducer tests and the fuzz tests."""


class Raised(Exception):
    """Raised by a hostile object, so a test can tell it from any error of the module's own."""


class LyingSequence:
    """A sequence whose items are fixed but whose __len__ answers `lengths` one call after another
    (the last one from then on), or raises Raised on the calls numbered in `raise_on_len`."""

    def __init__(self, items, lengths=(2**62,), raise_on_len=()):
        self.items = list(items)
        self.lengths = list(lengths)
        self.raise_on_len = set(raise_on_len)
        self.len_calls = 0

    def __len__(self):
        self.len_calls += 1
        if self.len_calls in self.raise_on_len:
            raise Raised("len")
        return self.lengths[min(self.len_calls, len(self.lengths)) - 1]

    def __getitem__(self, index):
        return self.items[index]


class IterableLyingSequence(LyingSequence):
    """The same, with an iterator of its own."""

    def __iter__(self):
        return iter(self.items)


class FailingSequence(LyingSequence):
    """A sequence whose item `fail_at` raises Raised instead of being read."""

    def __init__(self, items, fail_at):
        super().__init__(items, lengths=(len(items),))
        self.fail_at = fail_at

    def __getitem__(self, index):
        if index == self.fail_at:
            raise Raised("item")
        return self.items[index]


def failing_generator(items, fail_at):
    for index, item in enumerate(items):
        if index == fail_at:
            raise Raised("generator")
        yield item


class _Converts:
    """A value handed over by one conversion protocol; `effect` runs first, each time it is read."""

    def __init__(self, value, effect=None):
        self.value = value
        self.effect = effect

    def _read(self):
        if self.effect is not None:
            self.effect()
        return self.value


class Index(_Converts):
    """An integer through the index protocol alone."""

    __index__ = _Converts._read


class Number(_Converts):
    """A number through float() alone."""

    __float__ = _Converts._read
