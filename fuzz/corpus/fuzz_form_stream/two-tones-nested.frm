object Form1: TForm1
  Left = 1
  object ToneGen1: TToneGen
    Waveform = tgNoise
    object Inner: TToneGen
      Frequency = 20000
    end
  end
  object ToneGen2: TToneGen
    AMArrayData = {
      FFFFFFFF}
  end
end
