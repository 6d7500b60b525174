object Form1: TForm1
  object A: TToneGen
    AMFrequency = NaN
  end
  object B: TToneGen
    AMFrequency = Inf
  end
  object C: TToneGen
    AMFrequency = -Inf
  end
  object D: TToneGen
    AMFrequency = 1E-5
  end
  object E: TToneGen
    AMFrequency = -0.0
  end
  object F: TToneGen
    AMFrequency = 3
  end
end
