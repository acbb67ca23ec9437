"""The examples in the docstrings give what they show."""

import doctest

import numpy as np
import pytest

import kelvoran
from kelvoran import _evaluate, _result, correlations, inclusions


@pytest.mark.parametrize("module", [kelvoran, _evaluate, _result, correlations, inclusions], ids=lambda m: m.__name__)
def test_docstring_examples(module):
    pytest.importorskip("pandas")
    failures, tried = doctest.testmod(
        module, extraglobs={"kelvoran": kelvoran, "np": np}, optionflags=doctest.NORMALIZE_WHITESPACE
    )
    assert tried > 0 and failures == 0
