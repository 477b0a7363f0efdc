## expect_error (f, text): calls f, which must end with the error text.
function expect_error (f, text)
  try
    f ();
  catch err
    assert (err.message, text);
    return;
  end_try_catch
  error ("no error where '%s' was expected", text);
endfunction
