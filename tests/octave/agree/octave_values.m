## Values that Octave stores in forms of its own, objects of both kinds of
## class, and the limits of nesting and size, each passed alone and inside a
## cell and a struct, for the comparison of the builds (run_suite.m with
## MEX_FOLDER, which runs this script after the self tests of FUNCTION with
## every call of it made on both builds, their outcomes compared; it writes
## the function's name for FUNCTION).
values = {1:5, (1:0.5:3)', -2:0, eye(3), eye(3)(:, [2 3 1]), single(eye(2)), ...
          eye(2) * (1 + 2i), find([0 1 1 0 1]), true(2, 3), char([0 65 200 255; 1 2 3 4]), "", ...
          sparse(logical([1 0 1])), sparse([0 1.5; 0 0]), @sin, @(t) t, oldstyle(), newstyle(), ...
          zeros(0, 3, 0), zeros(1, 0), cell(0, 2), struct(), repmat(struct("a", 1), 0, 2), ...
          int32([]), NA, -0, uint64(18446744073709551615)};
nested = 1;
for level = 1:1000
  nested = {nested};
endfor
values(end + (1:2)) = {nested, {nested}};
for k = 1:numel (values)
  for v = {values{k}, {values{k}, {values{k}}}, struct("f", {values(k), 1}, "g", {1, values(k)})}
    try
      FUNCTION (v{1});
    catch
    end_try_catch
    try
      r = FUNCTION (v{1});
    catch
    end_try_catch
    try
      [r, s] = FUNCTION (v{1}, values{k});
    catch
    end_try_catch
  endfor
endfor
## 2^31 elements, refused before their data is read.
huge = zeros (2^31, 1, "int8");
for v = {huge, {huge}}
  try
    FUNCTION (v{1});
  catch
  end_try_catch
  try
    FUNCTION (1, v{1});
  catch
  end_try_catch
endfor
