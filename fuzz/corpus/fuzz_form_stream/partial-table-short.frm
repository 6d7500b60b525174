object Form1: TForm1
  object ToneGen1: TToneGen
    AMArrayData = {07000000 32000000}
  end
end
